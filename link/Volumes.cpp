// The target's volume list and the current volume-and-path prefix.
#include "hostlib/trace.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const DWORD kExchangeTimeoutMs = 5000;
const int kVolumeNameSize = 10;
// The reply buffer holds the count and at most six names; a larger count is
// not trusted beyond what the buffer holds.
const int kMaxVolumes = 6;
const WORD kVolumeReplySize = 1 + kMaxVolumes * kVolumeNameSize;
}  // namespace

UE_errCode_t CFlashExplorerData::GetVolumeList(CStringList& volumes) {
    BYTE reply[kVolumeReplySize] = {};
    CFdiExchange exchange("FDI", "Transport", "GetFdiVolumes");
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__GetFdiVolumes_List");
    exchange.Expect("FDI__Transport__GetFdiVolumes_List_Err");
    m_pCommandLink->PrepareReportStream(-1, -1);
    if (exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs) != 0) {
        volumes.AddHead("My Devices");
        return 0;
    }
    const BYTE* data = exchange.ReplyData();
    const int arrived = exchange.ReplyLength();
    if (data == nullptr || arrived == 0) return 4;
    int count = data[0];
    if (count > kMaxVolumes) count = kMaxVolumes;
    // Names are read only when they arrived whole; a count beyond them is a
    // malformed list, not a shorter one.
    if (1 + count * kVolumeNameSize > arrived) return 4;
    for (int i = 0; i < count; ++i) {
        CString name;
        const BYTE* field = data + 1 + i * kVolumeNameSize;
        // All ten bytes, NULs included: the text reads up to its first NUL.
        for (int c = 0; c < kVolumeNameSize; ++c) name += static_cast<char>(field[c]);
        volumes.AddHead(name);
    }
    return 0;
}

UE_errCode_t CFlashExplorerData::SetVolumeAndPath(const CString& path, bool useDefault) {
    if (useDefault) return BuildRootPath();
    m_strVolumeAndPath = path;
    TraceString(path + " path is set\n");
    return 0;
}

CString CFlashExplorerData::GetVolumeAndPath() {
    return m_strVolumeAndPath;
}

UE_errCode_t CFlashExplorerData::PathLevelDown(const CString& folder) {
    m_strVolumeAndPath += folder;
    const int slash = folder.Find('/');
    if (slash >= 0 && slash == folder.GetLength() - 1) return 0;
    m_strVolumeAndPath += "/";
    TraceString(m_strVolumeAndPath + "\t" + folder + " path level down\n");
    return 0;
}

UE_errCode_t CFlashExplorerData::PathLevelUp() {
    if (m_strVolumeAndPath.IsEmpty()) return 23;
    const CString withoutLast = m_strVolumeAndPath.Left(m_strVolumeAndPath.GetLength() - 1);
    const int slash = withoutLast.ReverseFind('/');
    if (slash >= 0) m_strVolumeAndPath = m_strVolumeAndPath.Left(slash + 1);
    return 0;
}
