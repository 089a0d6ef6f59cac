// "Fread": pulls the rest of an open flash file into a PC file, packet by packet.
#include <cstring>
#include <vector>

#include "fileservices/ResultCodes.h"
#include "framework/file.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const DWORD kExchangeTimeoutMs = 5000;
const DWORD kPacketHeader = 6;
// The progress step of a read is a fixed figure, whatever the packet size.
const WPARAM kReadProgressStep = 1024;
const short kStatusData = 0;
const short kStatusDataThenEnd = 34;
// A target that keeps sending packets must not keep a read going for ever:
// packets without data and not the last end it after this many in a row, and
// data beyond the largest size a 32-bit file size states ends it too.
const int kMaxEmptyPackets = 4096;
const unsigned long long kMaxFileBytes = 0xFFFFFFFFull;
}  // namespace

UE_errCode_t CFlashExplorerData::Fread(int fileId, const CString& pcFileName) {
    const DWORD limit = GetReadPacketLimit();
    BYTE params[8];
    std::memset(params, 0, sizeof(params));
    WORD paramLength;
    if (IsFdi5Layout()) {
        fdi_bytes::PutU16(params, static_cast<unsigned>(fileId) & 0xFFFF);
        fdi_bytes::PutU16(params + 2, limit);
        paramLength = 4;
    } else {
        fdi_bytes::PutU32(params, static_cast<unsigned long>(static_cast<std::uint32_t>(fileId)));
        fdi_bytes::PutU16(params + 4, limit);
        paramLength = 8;
    }

    CFile pcFile;
    if (!pcFile.Open(pcFileName, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary |
                                     CFile::shareExclusive))
        return UE_PC_FILE_ERROR;

    // One buffer for the whole read; the limit is bounded so that it fits DataLength.
    const WORD replyCapacity = static_cast<WORD>(limit + kPacketHeader);
    std::vector<BYTE> reply(replyCapacity);
    UE_errCode_t result = UE_SUCCESS;
    // Every request is the same block: the target moves its own file position.
    // So one exchange record, with its expected list, serves every packet.
    CFdiExchange exchange("FDI", "Transport", "Fread");
    exchange.SetParameters(params, paramLength);
    exchange.Expect("FDI__Transport__F_Read_Bad_Input");
    exchange.Expect("FDI__Transport__F_Read_Error");
    exchange.Expect("FDI__Transport__F_Read_Packet");
    exchange.Expect("FDI__Transport__F_Read_Malloc_Error");
    int emptyPackets = 0;
    unsigned long long received = 0;
    while (m_bStopTransfer.load(std::memory_order_relaxed) == 0) {
        PostProgress(WM_FLASH_PROGRESS_STEP, kReadProgressStep, 0);

        // A report without payload clears the reply's buffer, so it is given anew.
        exchange.SetReplyBuffer(reply.data(), replyCapacity);
        result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
        if (result != 0) break;
        const DWORD arrived = exchange.ReplyLength();
        if (!exchange.ReplyIs("F_Read_Packet") || arrived < kPacketHeader) {
            result = UE_FREAD_ERROR;
            break;
        }

        const short status = fdi_bytes::GetI16(reply.data());
        const unsigned lastPacket = fdi_bytes::GetU16(reply.data() + 2);
        const short count = fdi_bytes::GetI16(reply.data() + 4);
        if (status == kStatusData || status == kStatusDataThenEnd) {
            // The count comes from the target: more than was asked for would run
            // past the reply buffer, more than the report carried would write
            // bytes that never arrived.
            if (count < 0 || static_cast<DWORD>(count) > limit ||
                static_cast<DWORD>(count) > arrived - kPacketHeader) {
                result = UE_FREAD_ERROR;
                break;
            }
            received += static_cast<unsigned long long>(count);
            const bool endless = count == 0 && status == kStatusData && lastPacket != 1 &&
                                 ++emptyPackets >= kMaxEmptyPackets;
            if (count > 0) emptyPackets = 0;
            if (endless || received > kMaxFileBytes) {
                result = UE_FREAD_ERROR;
                break;
            }
            if (count > 0) pcFile.Write(reply.data() + kPacketHeader, static_cast<UINT>(count));
        }
        if (status != kStatusData || lastPacket == 1) break;
    }
    pcFile.Close();
    return result;
}
