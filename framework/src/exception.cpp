// Base exception classes and the memory exception.
#include "framework/exception.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)

namespace {

BOOL CopyMessage(const char* text, LPSTR out, UINT max) {
    if (!out || max == 0) return FALSE;
    std::strncpy(out, text, max - 1);
    out[max - 1] = '\0';
    return TRUE;
}

}  // namespace

BOOL CException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    if (lpszError && nMaxError > 0) *lpszError = '\0';
    return FALSE;
}

BOOL CMemoryException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    return CopyMessage("Out of memory.", lpszError, nMaxError);
}

void AfxThrowMemoryException() {
    throw CMemoryException();
}
