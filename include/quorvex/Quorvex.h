// Everything a host or another host module needs from the module.
#pragma once

#include "quorvex/FdiFile.h"
#include "quorvex/FlashExplorerData.h"
#include "quorvex/QuorvexManager.h"
