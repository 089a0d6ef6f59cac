// The presenter that shows message boxes while the host has installed none;
// each backend supplies its own.
#pragma once

#include "platform/msgbox.h"

namespace quorvex::platform::internal {

MessageBoxPresenter& DefaultMessageBoxPresenter();

}  // namespace quorvex::platform::internal
