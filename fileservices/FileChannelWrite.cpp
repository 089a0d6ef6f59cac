// "Fwrite": pushes a whole PC file into an open flash file, packet by packet.
#include <cstring>
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
    for (;;) {
        const UINT bytesRead = pcFile.Read(block.data() + dataOffset, limit);
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
