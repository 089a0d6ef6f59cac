// Whole-file write from the PC to flash: free-space check, the packet
// transfer, stop handling and the optional read-back verification.
#include "fileservices/ResultCodes.h"
#include "quorvex/FlashExplorerData.h"
#include "quorvex/QuorvexManager.h"

namespace {
const DWORD kNoSpaceFigure = 0xFFFFFFFF;
const int kVerifyReadBack = 1;
}  // namespace

UE_errCode_t CFlashExplorerData::WriteFile(const CString& flashFileName, const CString& pcFileName,
                                           int verify) {
    const CString fullPath = MakeFullFlashPath(flashFileName);
    unsigned long pcFileSize = 0;
    if (!GetPcFileSize(pcFileName, &pcFileSize)) return UE_PC_FILE_SIZE_ERROR;
    const DWORD size = static_cast<DWORD>(pcFileSize);

    m_bStopTransfer.store(0, std::memory_order_relaxed);
    m_strLastWrittenName = flashFileName;
    PostProgress(WM_FLASH_PROGRESS_START, size, PROGRESS_KIND_WRITE);

    // Targets without the free-space query can still be written, unchecked.
    if (IsCommandAvailable("FDI__Transport__GetFdiFdvAvailableSpace", false)) {
        const UE_errCode_t spaceResult =
            GetFdiFdvAvailableSpace(CQuorvexManager::Instance()->GetFirstPathPart(fullPath));
        UE_errCode_t refusal = UE_SUCCESS;
        if (spaceResult != 0)
            refusal = spaceResult;
        else if (m_nAvailableSpace == kNoSpaceFigure)
            refusal = UE_PC_FILE_SIZE_ERROR;
        else if (size > m_nAvailableSpace)
            refusal = UE_NOT_ENOUGH_SPACE;
        if (refusal != UE_SUCCESS) {
            PostProgress(WM_FLASH_PROGRESS_END, 0, 0);
            return refusal;
        }
    }

    int fileId = 0;
    const UE_errCode_t openResult = Fopen(fullPath, "wb+", &fileId);
    if (openResult != 0) {
        PostProgress(WM_FLASH_PROGRESS_END, 0, 0);
        return openResult;
    }

    m_bContentChanged = 1;
    UE_errCode_t writeResult;
    try {
        writeResult = Fwrite(fileId, pcFileName);
    } catch (...) {
        // The source failing mid-transfer is the caller's to handle, but the
        // identifier is still given back to the target first.
        Fclose(fileId);
        throw;
    }

    if (m_bStopTransfer.load(std::memory_order_relaxed) != 0) {
        // A stopped write leaves no partial file behind; the removal posts its own progress.
        Fclose(fileId);
        RemoveFile(flashFileName);
        return UE_TRANSFER_STOPPED;
    }
    PostProgress(WM_FLASH_PROGRESS_END, 0, 0);

    UE_errCode_t result;
    if (writeResult != 0) {
        // The partial flash file stays; only the identifier is given back.
        Fclose(fileId);
        result = writeResult;
    } else if (verify != kVerifyReadBack) {
        result = Fclose(fileId);
    } else {
        result = VerifyWrittenFile(fileId, flashFileName, pcFileName, size);
    }

    PostProgress(WM_FLASH_PROGRESS_END, 0, 0);
    if (m_bStopTransfer.load(std::memory_order_relaxed) != 0) return UE_TRANSFER_STOPPED;
    return result;
}

// Reads the written file back into a PC copy and compares it with the source.
// Takes over the open identifier and closes it.
UE_errCode_t CFlashExplorerData::VerifyWrittenFile(int fileId, const CString& flashFileName,
                                                   const CString& pcFileName, DWORD size) {
    PostProgress(WM_FLASH_PROGRESS_START, size, PROGRESS_KIND_VERIFY);
    const CString copyName = MakeTempCopyName(pcFileName, flashFileName);

    // Reading through the identifier still open spares a second open.
    bool readBackDone = false;
    try {
        if (IsCommandAvailable("FDI__Transport__Fseek", false) && Fseek(fileId, 0, 0) == 0)
            readBackDone = Fread(fileId, copyName) == 0;
    } catch (...) {
        Fclose(fileId);  // as for the write itself
        throw;
    }
    const UE_errCode_t closeResult = Fclose(fileId);

    UE_errCode_t result;
    if (readBackDone)
        result = closeResult;
    else
        result = ReadFile(copyName, flashFileName);
    if (result != 0) return result;
    return CompareWithCopy(pcFileName, copyName);
}

UE_errCode_t QUORVEX_CDECL gl_WriteFile(const CString& instanceName, const CString& flashFileName,
                                        const CString& pcFileName, int verify) {
    return CFlashExplorerData::Instance(instanceName)->WriteFile(flashFileName, pcFileName, verify);
}
