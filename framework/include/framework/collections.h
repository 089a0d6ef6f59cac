// The framework's collections: POSITION, CList, CStringList and CMap.
#pragma once

#include "framework/list.h"
#include "framework/map.h"
