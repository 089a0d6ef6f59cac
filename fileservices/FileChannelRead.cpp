// "Fread": pulls the rest of an open flash file into a PC file, packet by packet.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>

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
// One write to the PC file per packet cost as much as a tenth of a read, so
// packets are gathered and written in blocks of this size. A host that shows
// progress by the PC file's size still sees it grow this often on a slow link.
const DWORD kGatherBytes = 256 * 1024;
const std::chrono::milliseconds kGatherPeriod{100};

// The packets of one read, gathered for the PC file. Each report is received
// straight behind the data gathered so far: its header lands on the last
// bytes gathered, which are kept aside while the exchange runs and put back
// after it, so the data is copied once, from the link into this block.
class CReadGather {
  public:
    CReadGather(CFile& file, DWORD packetLimit)
        : m_file(file),
          m_capacity(std::max(kGatherBytes, packetLimit)),
          m_packetLimit(packetLimit),
          m_block(new BYTE[kPacketHeader + m_capacity]),
          m_lastWrite(std::chrono::steady_clock::now()) {}

    // Where the next report is received; it holds the packet header and up to
    // the packet limit of data.
    BYTE* Slot() { return m_block.get() + m_fill; }
    void SetAside() { std::memcpy(m_kept, Slot(), kPacketHeader); }
    void PutBack() { std::memcpy(Slot(), m_kept, kPacketHeader); }

    // Takes `count` data bytes of the report in the slot.
    void Take(DWORD count) {
        m_fill += count;
        if (m_capacity - m_fill < m_packetLimit ||
            std::chrono::steady_clock::now() - m_lastWrite >= kGatherPeriod)
            Write();
    }

    // Writes what is gathered; the framework's file exception passes.
    void Write() {
        m_lastWrite = std::chrono::steady_clock::now();
        if (m_fill == 0) return;
        const DWORD bytes = m_fill;
        m_fill = 0;  // a failed write is not tried again
        m_file.Write(m_block.get() + kPacketHeader, bytes);
    }

  private:
    CFile& m_file;
    const DWORD m_capacity;
    const DWORD m_packetLimit;
    std::unique_ptr<BYTE[]> m_block;  // header room, then the data gathered
    DWORD m_fill = 0;
    BYTE m_kept[kPacketHeader] = {};
    std::chrono::steady_clock::time_point m_lastWrite;
};
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

    // The limit is bounded so that header and data fit DataLength.
    const WORD replyCapacity = static_cast<WORD>(limit + kPacketHeader);
    CReadGather gathered(pcFile, limit);
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
    try {
        while (m_bStopTransfer.load(std::memory_order_relaxed) == 0) {
            PostProgress(WM_FLASH_PROGRESS_STEP, kReadProgressStep, 0);

            // A report without payload clears the reply's buffer, so it is given anew.
            BYTE* slot = gathered.Slot();
            exchange.SetReplyBuffer(slot, replyCapacity);
            gathered.SetAside();
            result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
            BYTE header[kPacketHeader];
            std::memcpy(header, slot, kPacketHeader);
            gathered.PutBack();
            if (result != 0) break;
            const DWORD arrived = exchange.ReplyLength();
            if (!exchange.ReplyIs("F_Read_Packet") || arrived < kPacketHeader) {
                result = UE_FREAD_ERROR;
                break;
            }

            const short status = fdi_bytes::GetI16(header);
            const unsigned lastPacket = fdi_bytes::GetU16(header + 2);
            const short count = fdi_bytes::GetI16(header + 4);
            if (status == kStatusData || status == kStatusDataThenEnd) {
                // The count comes from the target: more than was asked for would
                // run past the reply buffer, more than the report carried would
                // write bytes that never arrived.
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
                gathered.Take(static_cast<DWORD>(count));
            }
            if (status != kStatusData || lastPacket == 1) break;
        }
    } catch (...) {
        // Whatever arrived before the failure still reaches the PC file.
        try {
            gathered.Write();
        } catch (...) {
        }
        throw;
    }
    gathered.Write();
    pcFile.Close();
    return result;
}
