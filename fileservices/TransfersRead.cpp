// Whole-file read from flash to the PC and the comparison of a PC file with a
// flash file through a temporary copy.
#include "fileservices/ResultCodes.h"
#include "framework/file.h"
#include "hostlib/hostpaths.h"
#include "platform/files.h"
#include "quorvex/FlashExplorerData.h"
#include "quorvex/QuorvexManager.h"

UE_errCode_t CFlashExplorerData::ReadFile(const CString& pcFileName, const CString& flashFileName) {
    const CString fullPath = MakeFullFlashPath(flashFileName);
    if (!IsPcFileAccessible(pcFileName)) return UE_PC_FILE_ERROR;
    m_bStopTransfer.store(0, std::memory_order_relaxed);

    if (IsGuiInstance()) {
        // The expected size comes from the cached listing as it is; a file
        // it does not hold gets steps and an end but no start.
        POSITION pos = m_fileList.GetHeadPosition();
        while (pos != nullptr) {
            const CFdiFile& entry = m_fileList.GetNext(pos);
            if (entry.m_strName == flashFileName) {
                PostProgress(WM_FLASH_PROGRESS_START, entry.m_dwSize, PROGRESS_KIND_READ);
                break;
            }
        }
    }

    int fileId = 0;
    const UE_errCode_t openResult = Fopen(fullPath, "rb", &fileId);
    if (openResult != 0) return openResult;
    UE_errCode_t readResult;
    try {
        readResult = Fread(fileId, pcFileName);
    } catch (...) {
        // A PC file failing mid-transfer is the caller's to handle, but the
        // identifier is still given back to the target first.
        Fclose(fileId);
        throw;
    }
    const UE_errCode_t closeResult = Fclose(fileId);
    PostProgress(WM_FLASH_PROGRESS_END, 0, 0);

    if (m_bStopTransfer.load(std::memory_order_relaxed) != 0) return UE_TRANSFER_STOPPED;
    if (readResult != 0) return readResult;
    return closeResult;
}

UE_errCode_t CFlashExplorerData::ComparePcFileWithFlashFile(const CString& pcFileName,
                                                            const CString& flashFileName) {
    const CString copyName = MakeTempCopyName(pcFileName, flashFileName);
    const UE_errCode_t result = ReadFile(copyName, flashFileName);
    if (result != 0) return result;
    return CompareWithCopy(pcFileName, copyName);
}

// The copy is only worth keeping when it shows a difference.
UE_errCode_t CFlashExplorerData::CompareWithCopy(const CString& pcFileName,
                                                 const CString& copyName) {
    const UE_errCode_t result = ComparePcFiles(pcFileName, copyName);
    if (result == UE_SUCCESS) {
        try {
            CFile::Remove(copyName);
        } catch (CFileException&) {
            // A copy that cannot be removed costs disk space, not correctness.
        }
    }
    return result;
}

CString CFlashExplorerData::MakeTempCopyName(const CString& pcFileName,
                                             const CString& flashFileName) {
    const CString hostFolder = GetHostPaths()->GetHostFolder();
    const CString tempFolder = hostFolder + "\\Temp\\";
    const CString fileName = CQuorvexManager::Instance()->GetFileNameFromPath(flashFileName);

#if defined(_WIN32)
    const CString fixedFolder = "C:/";
#else
    // Without drive letters the fixed place is a folder of its own beside the
    // temporary one, so a copy never lands on the host's own files (its
    // settings store among them).
    const CString fixedFolder = hostFolder + "\\Compare\\";
#endif
    // Both separators name the same folder (the host folder itself comes
    // with '/'), so the search must not tell them apart.
    CString pcPath = pcFileName;
    CString tempPath = tempFolder;
    pcPath.Replace('\\', '/');
    tempPath.Replace('\\', '/');
    const bool inTempFolder = pcPath.Find(tempPath) >= 0;
    // The copy must never land on the very file it is compared with.
    if (!inTempFolder) return tempFolder + fileName;
#if !defined(_WIN32)
    CreateDirectoryA(fixedFolder, nullptr);  // a folder that cannot be made fails the copy's open
#endif
    return fixedFolder + fileName;
}
