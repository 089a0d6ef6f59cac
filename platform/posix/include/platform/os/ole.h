// Storage media and format descriptions of the operating system's data
// transfer (the OLE side of the clipboard). Only global-memory media exist.
// POSIX backend: the stand-in declares these Win32 names itself.
#pragma once

#include "platform/wintypes.h"

using CLIPFORMAT = WORD;

#define DVASPECT_CONTENT 1
#define DVASPECT_THUMBNAIL 2
#define DVASPECT_ICON 4
#define DVASPECT_DOCPRINT 8

#define TYMED_NULL 0
#define TYMED_HGLOBAL 1
#define TYMED_FILE 2
#define TYMED_ISTREAM 4
#define TYMED_ISTORAGE 8

// What a caller asks for: a format, an aspect, an item index (-1 all) and
// the media it accepts (TYMED_ bits).
struct FORMATETC {
    CLIPFORMAT cfFormat;
    void* ptd;
    DWORD dwAspect;
    LONG lindex;
    DWORD tymed;
};
using LPFORMATETC = FORMATETC*;

// The medium data comes in. With TYMED_HGLOBAL the block is the receiver's
// to release with ReleaseStgMedium.
struct STGMEDIUM {
    DWORD tymed;
    HGLOBAL hGlobal;
    void* pUnkForRelease;
};
using LPSTGMEDIUM = STGMEDIUM*;

// Frees the medium's block and leaves the medium empty (TYMED_NULL).
void ReleaseStgMedium(LPSTGMEDIUM pMedium);
