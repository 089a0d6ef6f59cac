// Lists of PC files on the clipboard, in the file-drop form the platform's
// file shell pastes: a 20-byte header and the names as 16-bit characters.
#include <cstring>
#include <string>

#include "framework/oledata.h"
#include "platform/clipboard.h"
#include "quorvex/QuorvexManager.h"

namespace {

const SIZE_T kDropHeaderSize = sizeof(DROPFILES);
// Two zero bytes end the list; the block keeps three more, zero as well.
const SIZE_T kListEndSize = 5;
// Characters of one path read back from a drop list (MAX_PATH).
const UINT kPathBufferSize = 260;

// Fills `block` (zeroed, big enough) with the header and the widened names.
void WriteDropList(BYTE* block, const std::string& names) {
    DROPFILES header{};
    header.pFiles = static_cast<DWORD>(kDropHeaderSize);
    header.fWide = TRUE;
    std::memcpy(block, &header, sizeof header);
    BYTE* unit = block + kDropHeaderSize;
    for (const char c : names) {
        unit[0] = static_cast<BYTE>(c);  // low byte; the high byte stays zero
        unit += 2;
    }
}

}  // namespace

void CQuorvexManager::CopyFileListToClipboard(CStringList& files) {
    if (files.IsEmpty()) return;
    // Each name up to its first zero and a zero after it, then one more zero.
    std::string names;
    for (POSITION pos = files.GetHeadPosition(); pos != nullptr;) {
        names += static_cast<LPCSTR>(files.GetNext(pos));
        names += '\0';
    }
    names += '\0';
    const SIZE_T total = names.size() - 1;  // the names with their zeros

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE,
                                kDropHeaderSize + 2 * total + kListEndSize);
    BYTE* bytes = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    if (bytes == nullptr) {
        if (block != nullptr) GlobalFree(block);
        return;
    }
    WriteDropList(bytes, names);
    GlobalUnlock(block);

    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return;
    }
    EmptyClipboard();
    if (SetClipboardData(CF_HDROP, block) == nullptr) GlobalFree(block);
    CloseClipboard();
}

bool CQuorvexManager::GetFileListFromClipboard(CStringList& paths, CStringList& names) {
    COleDataObject data;
    if (!data.AttachClipboard() || !data.IsDataAvailable(CF_HDROP)) return false;

    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (!data.GetData(CF_HDROP, &medium, &format)) return true;

    HDROP drop = static_cast<HDROP>(medium.hGlobal);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    bool complete = true;
    for (UINT i = 0; i < count; ++i) {
        char buffer[kPathBufferSize] = {};
        DragQueryFileA(drop, i, buffer, kPathBufferSize);
        const CString path(buffer);
        CString name;
        CString error;
        if (!SplitFileName(path, name, error)) {
            complete = false;
            break;
        }
        paths.AddTail(path);
        names.AddTail(name);
    }
    ReleaseStgMedium(&medium);
    return complete;
}
