// The texts of quorvex --help and quorvex COMMAND --help.
#pragma once

#include <string>

#include "CommandTable.h"

namespace quorvex::cli {

std::string MainHelp();
std::string CommandHelp(const CommandDef& command);

}  // namespace quorvex::cli
