// Release of storage media handed out by data objects.
#include "platform/ole.h"

#include "platform/clipboard.h"

void ReleaseStgMedium(LPSTGMEDIUM pMedium) {
    if (pMedium == nullptr) return;
    if (pMedium->tymed == TYMED_HGLOBAL && pMedium->hGlobal != nullptr) {
        GlobalFree(pMedium->hGlobal);
    }
    pMedium->tymed = TYMED_NULL;
    pMedium->hGlobal = nullptr;
    pMedium->pUnkForRelease = nullptr;
}
