// Win32 backend: the MB_ and ID constants come from the Windows SDK, but a
// message box still goes through the presenter seam, so that hosts and tests
// can answer boxes without a display. MessageBoxA is therefore this library's
// function, which hands the box to the installed presenter; the default
// presenter shows the real box.
#pragma once

#include "platform/os/sdk.h"

int QuorvexMessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

#undef MessageBox
#define MessageBoxA QuorvexMessageBoxA
#define MessageBox QuorvexMessageBoxA
