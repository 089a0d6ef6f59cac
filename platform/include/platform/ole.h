// Storage media and format descriptions of the operating system's data
// transfer (the OLE side of the clipboard), from the backend (platform/os/ole.h).
#pragma once

#include "platform/os/ole.h"
