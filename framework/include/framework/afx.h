// Everything of the UI-framework stand-in in one include.
#pragma once

#include "framework/collections.h"
#include "framework/cstring.h"
#include "framework/dialog.h"
#include "framework/file.h"
#include "framework/module.h"
#include "framework/msgbox.h"
#include "framework/object.h"
