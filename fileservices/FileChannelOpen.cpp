// The single-exchange commands of the file channel: open, close and seek.
#include <algorithm>
#include <cstring>

#include "fileservices/ResultCodes.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const DWORD kExchangeTimeoutMs = 5000;
const std::size_t kPathField = 256;
const WORD kOpenReplyFdi5 = 2 + kPathField;
const WORD kOpenReplyWide = 4 + kPathField;
}  // namespace

UE_errCode_t CFlashExplorerData::Fopen(CString fileName, CString mode, int* pFileId) {
    BYTE params[2 * kPathField];
    std::memset(params, 0, sizeof(params));
    // A cut path could open a different file, so a text that does not fit
    // its field is refused outright.
    if (!fdi_bytes::PutText(params, kPathField, fileName) ||
        !fdi_bytes::PutText(params + kPathField, kPathField, mode))
        return UE_FLASH_PATH_TOO_LONG;

    const bool bFdi5 = IsFdi5Layout();
    BYTE reply[kOpenReplyWide];
    std::memset(reply, 0, sizeof(reply));

    CFdiExchange exchange("FDI", "Transport", "Fopen");
    exchange.SetParameters(params, sizeof(params));
    exchange.SetReplyBuffer(reply, bFdi5 ? kOpenReplyFdi5 : kOpenReplyWide);
    exchange.Expect("FDI__Transport__F_Open_Error");
    exchange.Expect("FDI__Transport__F_Open_Return_FileID");
    exchange.Expect("FDI__Transport__F_Open_Return_FileID_RAM");
    const int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result != 0) return result;
    if (exchange.ReplyIs("F_Open_Error")) return UE_FOPEN_ERROR;
    // An answer too short for an identifier names no file, so it cannot be the
    // one asked for.
    const std::size_t idSize = bFdi5 ? 2 : 4;
    const std::size_t arrived = exchange.ReplyLength();
    if (arrived < idSize) return UE_FOPEN_ERROR;

    const int fileId =
        bFdi5 ? fdi_bytes::GetI16(reply) : static_cast<int>(fdi_bytes::GetI32(reply));
    const char* echoed = reinterpret_cast<const char*>(reply + idSize);
    // The echoed name ends at its NUL, its field or the last byte that arrived.
    const std::size_t nameBytes = std::min(arrived - idSize, kPathField);
    const CString openedName(echoed, static_cast<int>(strnlen(echoed, nameBytes)));
    if (openedName != fileName) return UE_FOPEN_ERROR;
    *pFileId = fileId;
    return UE_SUCCESS;
}

UE_errCode_t CFlashExplorerData::Fclose(int fileId) {
    BYTE params[4];
    fdi_bytes::PutU32(params, static_cast<unsigned long>(static_cast<std::uint32_t>(fileId)));
    BYTE reply[1] = {0};

    CFdiExchange exchange("FDI", "Transport", "Fclose");
    exchange.SetParameters(params, sizeof(params));
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__F_Close_Error");
    exchange.Expect("FDI__Transport__F_Close_Success");
    const int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result != 0) return result;
    return exchange.ReplyIs("F_Close_Error") ? UE_FCLOSE_ERROR : UE_SUCCESS;
}

UE_errCode_t CFlashExplorerData::Fseek(int fileId, long offset, int origin) {
    BYTE params[12];
    std::memset(params, 0, sizeof(params));
    const auto wideOffset = static_cast<unsigned long>(static_cast<std::uint32_t>(offset));
    const auto wideOrigin = static_cast<unsigned long>(static_cast<std::uint32_t>(origin));
    if (IsFdi5Layout()) {
        // The 16-bit identifier keeps the block at 12 bytes with two pad bytes.
        fdi_bytes::PutU16(params, static_cast<unsigned>(fileId) & 0xFFFF);
        fdi_bytes::PutU32(params + 4, wideOffset);
        fdi_bytes::PutU32(params + 8, wideOrigin);
    } else {
        fdi_bytes::PutU32(params, static_cast<unsigned long>(static_cast<std::uint32_t>(fileId)));
        fdi_bytes::PutU32(params + 4, wideOffset);
        fdi_bytes::PutU32(params + 8, wideOrigin);
    }
    BYTE reply[1] = {0};

    CFdiExchange exchange("FDI", "Transport", "Fseek");
    exchange.SetParameters(params, sizeof(params));
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__Fseek_Success");
    exchange.Expect("FDI__Transport__Fseek_Success_RAM");
    exchange.Expect("FDI__Transport__Fseek_Error");
    exchange.Expect("FDI__Transport__Fseek_Error_RAM");
    const int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    if (result != 0) return result;
    if (exchange.ReplyIs("Fseek_Error") || exchange.ReplyIs("Fseek_Error_RAM"))
        return UE_FSEEK_ERROR;
    return UE_SUCCESS;
}
