// Packet sizing of the file channel: the layout in force and the number of
// data bytes one "Fread"/"Fwrite" packet carries.
#include "fileservices/ResultCodes.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const DWORD kExchangeTimeoutMs = 5000;
const DWORD kDefaultPacketLimit = 1024;
// The bytes-wanted, count and DataLength fields are 16 bits wide, so header
// plus data of one packet must stay within 65535 bytes.
const DWORD kLargestRecord = 0xFFFF;
// A read packet counts its data in a signed 16-bit field, so a read never asks
// for more than that field can report back.
const DWORD kLargestReadCount = 0x7FFF;
const DWORD kReadReplyHeader = 6;
const DWORD kWriteHeaderFdi5 = 4;
const DWORD kWriteHeaderWide = 8;

UE_errCode_t QueryLimit(CCommandLink* link, int side, LPCSTR command, LPCSTR report,
                        unsigned long* pLimit) {
    BYTE reply[4] = {0, 0, 0, 0};
    CFdiExchange exchange("Diag", "Utils", command);
    exchange.SetReplyNames("Diag", "Utils", report);
    exchange.SetReplyBuffer(reply, sizeof(reply));
    const int result = exchange.Query(link, side, kExchangeTimeoutMs);
    if (result != 0) return result;
    if (exchange.ReplyLength() < sizeof(reply)) return UE_TARGET_DATA_ERROR;
    *pLimit = fdi_bytes::GetU32(reply);
    return 0;
}

// 0 from the target means "no figure"; an oversized one is cut to what the
// record can carry.
DWORD BoundLimit(unsigned long limit, DWORD header) {
    if (limit == 0) return kDefaultPacketLimit;
    if (limit > kLargestRecord - header) return kLargestRecord - header;
    return static_cast<DWORD>(limit);
}
}  // namespace

bool CFlashExplorerData::IsFdi5Layout() {
    return GetCurrentFdiVersion() == "FDI5";
}

UE_errCode_t CFlashExplorerData::InMsgBodyLimit(unsigned long* pLimit) {
    return QueryLimit(m_pCommandLink, m_nTargetType, "InMsgBodyLimit", "MaxInMsgBodySize", pLimit);
}

UE_errCode_t CFlashExplorerData::OutMsgBodyLimit(unsigned long* pLimit) {
    return QueryLimit(m_pCommandLink, m_nTargetType, "OutMsgBodyLimit", "MaxOutMsgBodySize",
                      pLimit);
}

DWORD CFlashExplorerData::GetReadPacketLimit() {
    unsigned long limit = kDefaultPacketLimit;
    // Only the application core may raise the packet size; the communication
    // core always takes 1024 bytes.
    if (m_nTargetType == TARGET_TYPE_AP && IsCommandAvailable("Diag__Utils__InMsgBodyLimit", false))
        InMsgBodyLimit(&limit);
    const DWORD bounded = BoundLimit(limit, kReadReplyHeader);
    return bounded < kLargestReadCount ? bounded : kLargestReadCount;
}

DWORD CFlashExplorerData::GetWritePacketLimit(bool bFdi5) {
    unsigned long limit = kDefaultPacketLimit;
    if (m_nTargetType == TARGET_TYPE_AP &&
        IsCommandAvailable("Diag__Utils__OutMsgBodyLimit", false))
        OutMsgBodyLimit(&limit);
    return BoundLimit(limit, bFdi5 ? kWriteHeaderFdi5 : kWriteHeaderWide);
}
