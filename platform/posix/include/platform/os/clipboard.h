// Clipboard, global memory and file-drop lists of the operating-system
// stand-in. The clipboard is one per process and thread-safe; a thread must
// open it before it reads or changes it.
// POSIX backend: the stand-in declares these Win32 names itself.
#pragma once

#include "platform/wintypes.h"

#define CF_TEXT 1
#define CF_OEMTEXT 7
#define CF_UNICODETEXT 13
#define CF_HDROP 15

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_DDESHARE 0x2000
#define GMEM_SHARE 0x2000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// The header of a file-drop list: the names follow at offset pFiles, each
// ended by a zero character, the list ended by one more zero character.
struct DROPFILES {
    DWORD pFiles;
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};
using LPDROPFILES = DROPFILES*;
static_assert(sizeof(DROPFILES) == 20, "DROPFILES is a 20-byte wire header");

// Blocks are always zero-filled. GlobalSize reports the size asked for.
// Null with ERROR_NOT_ENOUGH_MEMORY when the block cannot be had.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
LPVOID GlobalLock(HGLOBAL hMem);
// TRUE while the block stays locked; FALSE with NO_ERROR once unlocked,
// with ERROR_NOT_LOCKED when it was not locked.
BOOL GlobalUnlock(HGLOBAL hMem);
// Null on success; the handle itself when it is unknown or owned by the clipboard.
HGLOBAL GlobalFree(HGLOBAL hMem);
SIZE_T GlobalSize(HGLOBAL hMem);

// Fails with ERROR_ACCESS_DENIED while another thread has the clipboard open.
BOOL OpenClipboard(HWND hWndNewOwner);
BOOL CloseClipboard();
// Frees every item the clipboard owns. Needs the clipboard open.
BOOL EmptyClipboard();
// The clipboard takes `hMem` (a global block) and frees it on the next
// EmptyClipboard or when the format is set again. Returns `hMem`, or null.
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
// The block stays the clipboard's; callers copy what they need.
HANDLE GetClipboardData(UINT uFormat);
// Needs no open clipboard.
BOOL IsClipboardFormatAvailable(UINT format);

// Reads the file-drop list in the global block `hDrop`. `iFile` 0xFFFFFFFF
// returns the number of names; otherwise name `iFile` is copied into `lpszFile`
// (at most cch - 1 characters and a zero) and the number of characters copied
// is returned; a null buffer returns the length the name needs without the zero.
// Wide lists (UTF-16LE) are narrowed unit by unit below 0x100, UTF-8 above.
// The list is never read past the block's end. 0 on any failure.
UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch);

inline UINT DragQueryFile(HDROP drop, UINT index, LPSTR buffer, UINT size) {
    return DragQueryFileA(drop, index, buffer, size);
}
