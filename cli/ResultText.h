// What the host says about a result code: its meaning, the files it concerns
// and, for the codes that have several causes, the likely ones.
#pragma once

#include <string>

namespace quorvex::cli {

// "what the code means", e.g. "the target refused to open the file".
std::string ResultMeaning(int code);

// The meaning followed by the files concerned ("flash dfm/a.bin",
// "PC /tmp/a.bin"; either may be empty) and the likely causes.
std::string DescribeResult(int code, const std::string& flash_path, const std::string& pc_path);

}  // namespace quorvex::cli
