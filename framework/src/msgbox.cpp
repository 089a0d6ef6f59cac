// The application message box on top of the platform's message boxes.
#include "framework/msgbox.h"

#include "framework/module.h"

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT /*nIDHelp*/) {
    return MessageBoxA(nullptr, lpszText, AfxGetAppName(), nType);
}
