// Clipboard items as storage media: each request copies the item out while
// holding the clipboard, so the caller's block stays valid after the
// clipboard changes.
#include "framework/oledata.h"

#include <cstring>

#include "platform/clipboard.h"

namespace {

// Only the content of a whole item, in global memory, can be had.
bool Describable(const FORMATETC* format) {
    if (format == nullptr) return true;
    return (format->dwAspect & DVASPECT_CONTENT) != 0 && (format->tymed & TYMED_HGLOBAL) != 0 &&
           format->lindex == -1;
}

// Copies the clipboard item into a new block; null when it cannot be had.
HGLOBAL CopyClipboardItem(UINT format) {
    if (!OpenClipboard(nullptr)) return nullptr;
    HGLOBAL copy = nullptr;
    if (HANDLE item = GetClipboardData(format)) {
        const SIZE_T size = GlobalSize(item);
        copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        const void* from = copy ? GlobalLock(item) : nullptr;
        void* to = from ? GlobalLock(copy) : nullptr;
        if (to != nullptr) {
            if (size != 0) std::memcpy(to, from, size);
            GlobalUnlock(copy);
        } else if (copy != nullptr) {
            GlobalFree(copy);
            copy = nullptr;
        }
        if (from != nullptr) GlobalUnlock(item);
    }
    CloseClipboard();
    return copy;
}

}  // namespace

BOOL COleDataObject::AttachClipboard() {
    Release();
    m_bAttached = true;
    return TRUE;
}

void COleDataObject::Release() {
    m_bAttached = false;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc) {
    if (!m_bAttached || !Describable(lpFormatEtc)) return FALSE;
    return IsClipboardFormatAvailable(cfFormat);
}

BOOL COleDataObject::GetData(CLIPFORMAT cfFormat, LPSTGMEDIUM lpStgMedium,
                             LPFORMATETC lpFormatEtc) {
    if (lpStgMedium == nullptr) return FALSE;
    lpStgMedium->tymed = TYMED_NULL;
    lpStgMedium->hGlobal = nullptr;
    lpStgMedium->pUnkForRelease = nullptr;
    if (!m_bAttached || !Describable(lpFormatEtc)) return FALSE;
    HGLOBAL copy = CopyClipboardItem(cfFormat);
    if (copy == nullptr) return FALSE;
    lpStgMedium->tymed = TYMED_HGLOBAL;
    lpStgMedium->hGlobal = copy;
    return TRUE;
}
