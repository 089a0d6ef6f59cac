// Everything the operating-system stand-in offers, in one include.
#pragma once

#include "platform/clipboard.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/module.h"
#include "platform/msgbox.h"
#include "platform/sync.h"
#include "platform/time.h"
#include "platform/wintypes.h"
