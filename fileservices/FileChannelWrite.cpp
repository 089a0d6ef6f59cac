// "Fwrite": pushes a whole PC file into an open flash file, packet by packet.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "fileservices/ResultCodes.h"
#include "framework/file.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const DWORD kExchangeTimeoutMs = 5000;
const DWORD kHeaderFdi5 = 4;
const DWORD kHeaderWide = 8;
const DWORD kDataOffsetFdi5 = 4;
const DWORD kDataOffsetWide = 6;
// One read of the PC file per packet cost the host as much as a sixteenth of
// a write, so the file is read ahead in blocks of this size.
const UINT kReadAheadBytes = 256 * 1024;

// The PC file read ahead; each packet's bytes are copied from it into the
// packet's block.
class CReadAhead {
  public:
    CReadAhead(CFile& file, UINT packetLimit)
        : m_file(file),
          m_capacity(std::max(kReadAheadBytes, packetLimit)),
          m_block(new BYTE[m_capacity]) {}

    // Up to `count` bytes of the file into `out`, fewer only at its end, as
    // CFile::Read gives them; the framework's file exception passes.
    UINT Read(BYTE* out, UINT count) {
        UINT done = 0;
        while (done < count) {
            if (m_at == m_end) {
                m_at = 0;
                m_end = m_file.Read(m_block.get(), m_capacity);
                if (m_end == 0) break;
            }
            const UINT n = std::min(count - done, m_end - m_at);
            std::memcpy(out + done, m_block.get() + m_at, n);
            m_at += n;
            done += n;
        }
        return done;
    }

  private:
    CFile& m_file;
    const UINT m_capacity;
    std::unique_ptr<BYTE[]> m_block;
    UINT m_at = 0;
    UINT m_end = 0;
};
}  // namespace

UE_errCode_t CFlashExplorerData::Fwrite(int fileId, const CString& pcFileName) {
    CFile pcFile;
    if (!pcFile.Open(pcFileName, CFile::modeRead | CFile::typeBinary | CFile::shareExclusive))
        return UE_PC_FILE_ERROR;

    m_bContentChanged = 1;

    const bool bFdi5 = IsFdi5Layout();
    const DWORD limit = GetWritePacketLimit(bFdi5);
    const DWORD dataOffset = bFdi5 ? kDataOffsetFdi5 : kDataOffsetWide;
    // Every packet goes out at the full size; the count says how much of the
    // block is data. The limit is bounded so that this fits DataLength.
    const WORD blockSize = static_cast<WORD>(limit + (bFdi5 ? kHeaderFdi5 : kHeaderWide));
    std::vector<BYTE> block(blockSize, 0);

    UE_errCode_t result = UE_SUCCESS;
    if (m_bStopTransfer.load(std::memory_order_relaxed) != 0) {
        pcFile.Close();
        return result;
    }
    // One exchange record for every packet: the records, names and expected
    // list are built once per transfer, not once per packet.
    CFdiExchange exchange("FDI", "Transport", "Fwrite");
    BYTE reply[1] = {0};
    exchange.SetParameters(block.data(), blockSize);
    exchange.Expect("FDI__Transport__F_Write_Success");
    exchange.Expect("FDI__Transport__F_Write_Error");
    CReadAhead source(pcFile, limit);
    for (;;) {
        const UINT bytesRead = source.Read(block.data() + dataOffset, limit);
        // An exact multiple of the limit ends here, so no empty packet is sent.
        if (bytesRead == 0) break;
        if (bFdi5) {
            fdi_bytes::PutU16(block.data(), static_cast<unsigned>(fileId) & 0xFFFF);
            fdi_bytes::PutU16(block.data() + 2, bytesRead);
        } else {
            fdi_bytes::PutU32(block.data(),
                              static_cast<unsigned long>(static_cast<std::uint32_t>(fileId)));
            fdi_bytes::PutU16(block.data() + 4, bytesRead);
        }
        PostProgress(WM_FLASH_PROGRESS_STEP, blockSize, 0);

        // A report without payload clears the reply's buffer, so it is given anew.
        exchange.SetReplyBuffer(reply, sizeof(reply));
        result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
        if (result != 0) break;
        if (exchange.ReplyIs("F_Write_Error")) {
            result = UE_FWRITE_ERROR;
            break;
        }
        if (bytesRead < limit || m_bStopTransfer.load(std::memory_order_relaxed) != 0) break;
    }
    pcFile.Close();
    return result;
}
