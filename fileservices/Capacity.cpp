// Capacity queries of the target: the size of the flash data volume and the
// free space of a named volume.
#include <cstring>
#include <vector>

#include "fileservices/ResultCodes.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const DWORD kSizeQueryTimeoutMs = 5000;
// The free-space answer can take longer than other exchanges on a full volume.
const DWORD kAvailableSpaceTimeoutMs = 7500;
const WORD kSizeReplySize = 8;
const WORD kAvailableSpaceReplySize = 4;
// The name and its terminating zero must fit the record's 16-bit data length.
const int kMaxVolumeNameLength = 0xFFFF - 1;
}  // namespace

UE_errCode_t CFlashExplorerData::GetFdiFdvSize(std::uint64_t& size) {
    BYTE reply[kSizeReplySize] = {};
    CFdiExchange exchange("FDI", "Transport", "GetFdiFdvSize");
    exchange.SetReplyNames("FDI", "Transport", "FdvSpace");
    exchange.SetReplyBuffer(reply, sizeof(reply));
    UE_errCode_t result = exchange.Query(m_pCommandLink, m_nTargetType, kSizeQueryTimeoutMs);
    if (result == 0 && exchange.ReplyLength() < kSizeReplySize) result = UE_TARGET_DATA_ERROR;
    if (result != 0) {
        size = ~std::uint64_t{0};
        return result;
    }
    size = 0;
    for (int i = kSizeReplySize - 1; i >= 0; --i) size = (size << 8) | reply[i];
    return 0;
}

UE_errCode_t CFlashExplorerData::GetFdiFdvAvailableSpace(CString volume) {
    const int length = volume.GetLength();
    if (length > kMaxVolumeNameLength) {
        // No figure is better than the stale one of an earlier volume.
        m_nAvailableSpace = 0xFFFFFFFF;
        return UE_FLASH_PATH_TOO_LONG;
    }
    std::vector<BYTE> parameters(static_cast<std::size_t>(length) + 1, 0);
    std::memcpy(parameters.data(), static_cast<LPCSTR>(volume), static_cast<std::size_t>(length));

    BYTE reply[kAvailableSpaceReplySize] = {};
    CFdiExchange exchange("FDI", "Transport", "GetFdiFdvAvailableSpace");
    exchange.SetParameters(parameters.data(), static_cast<WORD>(parameters.size()));
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__FdvAvailableSize");
    exchange.Expect("FDI__Transport__FdvAvailableSize_RAM");
    exchange.Expect("FDI__Transport__FdvAvailableSize_Error");
    const UE_errCode_t result =
        exchange.Execute(m_pCommandLink, m_nTargetType, kAvailableSpaceTimeoutMs);
    if (result == 0 && exchange.ReplyLength() >= kAvailableSpaceReplySize &&
        (exchange.ReplyIs("FdvAvailableSize") || exchange.ReplyIs("FdvAvailableSize_RAM"))) {
        m_nAvailableSpace = fdi_bytes::GetU32(reply);
    } else {
        // All ones tells WriteFile that no figure could be read.
        m_nAvailableSpace = 0xFFFFFFFF;
    }
    return result;
}
