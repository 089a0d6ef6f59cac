// PC-side helpers of the transfers: accessibility, size and byte comparison.
#include <cstring>
#include <vector>

#include "fileservices/ResultCodes.h"
#include "framework/file.h"
#include "quorvex/FlashExplorerData.h"

namespace {
// Large blocks keep a comparison of big files to a few system calls per
// megabyte. Reads fill their block up to the end of the file, so the counts
// and bytes compared come out as with any smaller block.
const UINT kCompareBlock = 64 * 1024;
}  // namespace

bool CFlashExplorerData::IsPcFileAccessible(const CString& path) {
    // Renaming a file onto itself fails exactly when someone else holds it.
    try {
        CFile::Rename(path, path);
    } catch (CFileException& e) {
        // A file that does not exist yet is free to be created.
        return e.m_cause == CFileException::fileNotFound;
    }
    return true;
}

bool CFlashExplorerData::GetPcFileSize(const CString& path, unsigned long* pSize) {
    CFileStatus status;
    if (!CFile::GetStatus(path, status)) return false;
    *pSize = static_cast<DWORD>(status.m_size);
    return true;
}

UE_errCode_t CFlashExplorerData::ComparePcFiles(const CString& first, const CString& second) {
    const UINT flags = CFile::modeRead | CFile::typeBinary | CFile::shareExclusive;
    CFile secondFile;
    if (!secondFile.Open(second, flags)) return UE_PC_FILE_ERROR;
    CFile firstFile;
    if (!firstFile.Open(first, flags)) return UE_PC_FILE_ERROR;

    // Different lengths settle it before any byte is read.
    if (firstFile.GetLength() != secondFile.GetLength()) return UE_COMPARE_MISMATCH;

    std::vector<BYTE> secondBlock(kCompareBlock);
    std::vector<BYTE> firstBlock(kCompareBlock);
    for (;;) {
        const UINT secondCount = secondFile.Read(secondBlock.data(), kCompareBlock);
        const UINT firstCount = firstFile.Read(firstBlock.data(), kCompareBlock);
        if (secondCount != firstCount) return UE_COMPARE_MISMATCH;
        if (std::memcmp(secondBlock.data(), firstBlock.data(), firstCount) != 0)
            return UE_COMPARE_MISMATCH;
        if (firstCount == 0) break;
    }
    return UE_SUCCESS;
}
