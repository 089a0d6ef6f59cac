// Renaming a flash file, within the longest name the target accepts.
#include "fileservices/FileManagementBlocks.h"
#include "fileservices/ResultCodes.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

using file_management::kExchangeTimeoutMs;
using file_management::kPathField;

UE_errCode_t CFlashExplorerData::RenameFile(const CString& strOldName, const CString& strNewName) {
    const CString oldPath = MakeFullFlashPath(strOldName);
    const CString newPath = MakeFullFlashPath(strNewName);
    // A cut path could rename a different file: refuse before asking anything.
    BYTE parameters[2 * kPathField] = {};
    if (!fdi_bytes::PutText(parameters, kPathField, oldPath) ||
        !fdi_bytes::PutText(parameters + kPathField, kPathField, newPath))
        return UE_FLASH_PATH_TOO_LONG;

    if (IsCommandAvailable("FDI__Transport__GetMaxFileNameLen", false)) {
        unsigned int maxLen = 0;
        const UE_errCode_t queried = GetMaxFileNameLen(&maxLen);
        if (queried != UE_SUCCESS) return queried;
        // The limit applies to the name as the caller gave it, not to the full path.
        if (static_cast<unsigned int>(strNewName.GetLength()) > maxLen)
            return UE_FILE_NAME_TOO_LONG;
    }

    BYTE reply[1] = {0};
    CFdiExchange exchange("FDI", "Transport", "RenameFile");
    exchange.SetParameters(parameters, sizeof(parameters));
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__F_Rename_Success");
    // Some target databases spell the success report one letter short.
    exchange.Expect("FDI__Transport__F_Rename_Succes");
    exchange.Expect("FDI__Transport__F_Rename_Error");

    const int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result == UE_SUCCESS && exchange.ReplyIs("F_Rename_Error")) return UE_RENAME_ERROR;
    // Also without an answer: the rename may still have happened.
    m_bContentChanged = 1;
    return result;
}

UE_errCode_t CFlashExplorerData::GetMaxFileNameLen(unsigned int* pMaxLen) {
    CFdiExchange exchange("FDI", "Transport", "GetMaxFileNameLen");
    exchange.SetReplyNames("FDI", "Transport", "MaxFileNameLen");
    BYTE reply[4] = {};
    exchange.SetReplyBuffer(reply, sizeof(reply));
    const int result = exchange.Query(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result != UE_SUCCESS) return result;
    if (exchange.ReplyLength() < sizeof(reply)) return UE_TARGET_DATA_ERROR;
    *pMaxLen = static_cast<unsigned int>(fdi_bytes::GetU32(reply));
    return UE_SUCCESS;
}
