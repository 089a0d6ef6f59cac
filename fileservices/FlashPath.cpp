// Completion of flash names to full paths with the current prefix.
#include "quorvex/FlashExplorerData.h"

CString CFlashExplorerData::MakeFullFlashPath(const CString& name) {
    // A name that holds the prefix anywhere is taken as already complete.
    if (name.Find(m_strVolumeAndPath) >= 0) return name;
    return m_strVolumeAndPath + name;
}
