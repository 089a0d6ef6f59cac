// Single-exchange management of flash entries: making a directory, changing a
// file's mode and reading its status word.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fileservices/FileManagementBlocks.h"
#include "fileservices/ResultCodes.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

using file_management::kExchangeTimeoutMs;
using file_management::kPathField;
using file_management::MakePathParameter;

namespace {

// The error report of "MkDir" carries a short text such as "e: 5"; the number
// after the colon is the target's reason. Only the `arrived` bytes are text.
void ReadMkDirReason(unsigned int& nFdiResult, std::size_t arrived) {
    char bytes[sizeof(nFdiResult)];
    std::memcpy(bytes, &nFdiResult, sizeof(bytes));
    const CString text(bytes, static_cast<int>(strnlen(bytes, arrived)));
    const int colon = text.Find(':');
    if (colon < 0) return;
    const CString rest = text.Mid(colon + 2);
    if (rest.GetAt(0) == ')') return;
    nFdiResult = static_cast<unsigned int>(std::atoi(rest));
}

}  // namespace

UE_errCode_t CFlashExplorerData::MakeDir(const CString& strPath, short nMode,
                                         unsigned int& nFdiResult) {
    BYTE parameters[kPathField + 2] = {};
    if (!fdi_bytes::PutText(parameters, kPathField, MakeFullFlashPath(strPath)))
        return UE_FLASH_PATH_TOO_LONG;
    fdi_bytes::PutU16(parameters + kPathField, static_cast<unsigned>(static_cast<WORD>(nMode)));

    CFdiExchange exchange("FDI", "Transport", "MkDir");
    exchange.SetParameters(parameters, sizeof(parameters));
    exchange.SetReplyBuffer(&nFdiResult, sizeof(nFdiResult));
    exchange.Expect("FDI__Transport__mkdir_Error");
    exchange.Expect("FDI__Transport__mkdir_Success");

    const int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result != UE_SUCCESS) return result;
    if (exchange.ReplyIs("mkdir_Error")) {
        ReadMkDirReason(nFdiResult, exchange.ReplyLength());
        return UE_MKDIR_ERROR;
    }
    return UE_SUCCESS;
}

UE_errCode_t CFlashExplorerData::ChangeMode(CString strPath, int nMode) {
    BYTE parameters[kPathField + 4] = {};
    if (!fdi_bytes::PutText(parameters, kPathField, MakeFullFlashPath(strPath)))
        return UE_FLASH_PATH_TOO_LONG;
    fdi_bytes::PutU32(parameters + kPathField,
                      static_cast<unsigned long>(static_cast<std::uint32_t>(nMode)));

    BYTE reply[1] = {0};
    CFdiExchange exchange("FDI", "Transport", "FchangeMode");
    exchange.SetParameters(parameters, sizeof(parameters));
    exchange.SetReplyNames("FDI", "Transport", "F_ChangeMode_Success");
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__F_ChangeMode_Success");
    exchange.Expect("FDI__Transport__F_ChangeMode_Error");

    const int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result == UE_SUCCESS && exchange.ReplyIs("F_ChangeMode_Error")) return UE_CHANGE_MODE_ERROR;
    // Also without an answer: the mode may still have changed.
    m_bContentChanged = 1;
    return result;
}

UE_errCode_t CFlashExplorerData::GetFileStatus(const CString& strPath, short& nStatus) {
    nStatus = 0;
    CString parameters;
    if (!MakePathParameter(MakeFullFlashPath(strPath), parameters)) return UE_FLASH_PATH_TOO_LONG;

    CFdiExchange exchange("FDI", "Transport", "FStatus");
    exchange.SetParameters(static_cast<LPCSTR>(parameters),
                           static_cast<WORD>(parameters.GetLength()));
    exchange.SetReplyBuffer(&nStatus, sizeof(nStatus));
    exchange.Expect("FDI__Transport__F_Status_Success");
    exchange.Expect("FDI__Transport__F_Status_Error");

    const int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result != UE_SUCCESS) return result;
    if (exchange.ReplyIs("F_Status_Error")) return UE_FSTATUS_ERROR;
    if (exchange.ReplyLength() < sizeof(nStatus)) {
        nStatus = 0;
        return UE_TARGET_DATA_ERROR;
    }
    return UE_SUCCESS;
}
