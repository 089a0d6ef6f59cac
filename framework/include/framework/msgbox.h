// The application message box. Boxes go to the platform's message box
// presenter with the application's caption.
#pragma once

#include "platform/msgbox.h"
#include "platform/wintypes.h"

// The button that closed the box (IDOK ...), or 0 when it could not be shown.
// The help context is accepted and not used: there is no help system.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
