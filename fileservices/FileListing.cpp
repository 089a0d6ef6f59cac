// The directory listing: one "GetFileNameList" exchange whose answer may come
// in several packets, cached in m_fileList; and the two listing entry points
// that do no work on the target.
#include <cstring>

#include "fileservices/ResultCodes.h"
#include "framework/msgbox.h"
#include "hostlib/trace.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {

const DWORD kExchangeTimeoutMs = 5000;

// A name-list packet: entry text, entry count (signed 16-bit), last-packet flag
// and one unused byte.
const std::size_t kPacketTextSize = 1024;
const std::size_t kPacketCountOffset = 1024;
const std::size_t kPacketLastOffset = 1026;
const WORD kPacketSize = 1028;
// A packet must carry at least its text, count and flag; the unused byte may be left out.
const WORD kPacketMinimum = 1027;
// A target that never says "last" must not keep a refresh going for ever:
// 4096 packets hold 4 MiB of names, far beyond any flash directory.
const int kMaxPackets = 4096;

// The area reads as "no entries, last packet" until a report overwrites it, so
// a report that carries less than a whole packet never ends up parsed with the
// count and flag of an earlier one.
void PresetPacketArea(BYTE* area) {
    std::memset(area, 0, kPacketSize);
    fdi_bytes::PutU16(area + kPacketCountOffset, 0);
    area[kPacketLastOffset] = 1;
}

// The entry text ends at its first zero, and never past its 1024 bytes.
CString PacketText(const BYTE* area) {
    const void* end = std::memchr(area, 0, kPacketTextSize);
    const std::size_t length = end != nullptr
                                   ? static_cast<std::size_t>(static_cast<const BYTE*>(end) - area)
                                   : kPacketTextSize;
    return CString(reinterpret_cast<LPCSTR>(area), static_cast<int>(length));
}

}  // namespace

UE_errCode_t CFlashExplorerData::GetFileList(const CFdiFileList*& pList, const CString& path) {
    // Forced: every caller gets what the target holds now, not the cache.
    return RefreshFileList(pList, path, true);
}

UE_errCode_t CFlashExplorerData::RefreshFileList(const CFdiFileList*& pList, CString pattern,
                                                 bool bForce) {
    if (bForce) m_bContentChanged = 1;
    if (!m_bContentChanged) return UE_SUCCESS;

    const UE_errCode_t result = UpdateFileInfoList(pattern);
    if (result != UE_SUCCESS) {
        pList = nullptr;
        return result;
    }
    pList = &m_fileList;
    m_bContentChanged = 0;
    return UE_SUCCESS;
}

UE_errCode_t CFlashExplorerData::UpdateFileInfoList(CString& pattern) {
    if (m_nTargetType == TARGET_TYPE_AP) {
        TraceText("NVM: Get AP File List\n");
    } else if (m_nTargetType == TARGET_TYPE_CP) {
        TraceText("NVM: Get CP File List\n");
    } else {
        TraceText("NVM: Get File List, unknown target\n");
        return UE_UNKNOWN_TARGET_TYPE;
    }

    CString fullPattern = MakeFullFlashPath(pattern);
    TraceString(m_strVolumeAndPath + "\t" + pattern + "\n");
    if (m_nTargetType == TARGET_TYPE_CP) {
        // The communication side lists its root only under the bare wildcard.
        if (fullPattern == "/*") fullPattern = "*";
        if (fullPattern == "/vendrix/Linux/Vendrix/NVM/*") fullPattern = "*";
    }

    // The pattern travels with its zero byte; DataLength is 16 bits wide.
    CString parameters = fullPattern;
    parameters += '\0';
    if (parameters.GetLength() > 0xFFFF) return UE_FLASH_PATH_TOO_LONG;

    BYTE area[kPacketSize];
    PresetPacketArea(area);

    CFdiExchange exchange("FDI", "Transport", "GetFileNameList");
    exchange.SetParameters(static_cast<LPCSTR>(parameters),
                           static_cast<WORD>(parameters.GetLength()));
    exchange.SetReplyNames("FDI", "Transport", "F_NameList_Packet");
    exchange.SetReplyBuffer(area, kPacketSize);
    exchange.Expect("FDI__Transport__Find_Error");
    exchange.Expect("FDI__Transport__FName_LIST_Malloc_Error");
    exchange.Expect("FDI__TRANSPORT__FName_LIST_NOTEXISTS");
    exchange.Expect("FDI__Transport__FName_LIST_NOTEXISTS");
    exchange.Expect("FDI__TRANSPORT__FName_LIST_NOTEXISTS_RAM");
    exchange.Expect("FDI__Transport__FName_LIST_NOTEXISTS_RAM");
    exchange.Expect("FDI__Transport__F_Name_List_Error");
    exchange.Expect("FDI__Transport__F_NameList_Packet");
    exchange.Expect("FDI__Transport__F_NameList_Packet_RAM");

    m_pCommandLink->PrepareReportStream(-1, -1);
    int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    bool first = true;
    int packets = 0;

    for (;;) {
        if (!first) {
            PresetPacketArea(area);
            // A report without payload clears the reply's buffer pointer.
            exchange.SetReplyBuffer(area, kPacketSize);
            // A packet that never comes ends the list; what arrived is kept.
            if (exchange.WaitNext(m_pCommandLink, kExchangeTimeoutMs) != 0) return UE_SUCCESS;
            result = UE_SUCCESS;
        }

        if (result == UE_SUCCESS) {
            if (exchange.ReplyIs("Find_Error") || exchange.ReplyIs("FName_LIST_Malloc_Error") ||
                exchange.ReplyIs("F_Name_List_Error")) {
                m_fileList.RemoveAll();
                return UE_FILE_LIST_ERROR;
            }
            if (exchange.ReplyIs("FName_LIST_NOTEXISTS") ||
                exchange.ReplyIs("FName_LIST_NOTEXISTS_RAM")) {
                m_fileList.RemoveAll();
                return UE_SUCCESS;
            }
        }

        const bool isPacket =
            exchange.ReplyIs("F_NameList_Packet") || exchange.ReplyIs("F_NameList_Packet_RAM");
        // A packet too short for its count and flag would be read with the
        // preset ones, and its entries silently lost.
        if (result == UE_SUCCESS && isPacket && exchange.ReplyLength() < kPacketMinimum) {
            m_fileList.RemoveAll();
            return UE_FILE_LIST_ERROR;
        }
        // Even a failed first exchange is looked at: the link may have left a
        // packet in the area before it gave up.
        const int count = fdi_bytes::GetI16(area + kPacketCountOffset);
        const bool last = area[kPacketLastOffset] != 0;
        if (isPacket && count > 0) {
            CString text = PacketText(area);
            if (!ParseNameListPacket(text, count, first)) {
                m_fileList.RemoveAll();
                result = UE_FILE_LIST_ERROR;
            }
        }
        if (!last) first = false;
        if (result != UE_SUCCESS || last) return result;
        if (++packets >= kMaxPackets) {
            m_fileList.RemoveAll();
            return UE_FILE_LIST_ERROR;
        }
    }
}

UE_errCode_t CFlashExplorerData::GetFlashFileNameList(CStringList& /*names*/, CString /*path*/) {
    return UE_SUCCESS;
}

int gl_IsFileExistInFlash() {
    AfxMessageBox("gl_IsFileExistInFlash() : BCG UI disabled in XNB.", MB_OK, 0);
    return 0;
}
