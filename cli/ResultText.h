// One-line meanings of every result code the host can exit with.
#pragma once

#include <string>

namespace quorvex::cli {

// "what the code means", e.g. "the target refused to open the file".
std::string ResultMeaning(int code);

}  // namespace quorvex::cli
