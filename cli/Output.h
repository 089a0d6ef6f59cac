// What the host prints besides command results: JSON text, failure lines
// (with their JSON form under --json) and notes on stderr.
#pragma once

#include <string>

namespace quorvex::cli {

// `text` with control characters shown as \xNN: one line that drives no
// terminal. Names from the user or the target pass through it.
std::string OneLine(const std::string& text);

// `text` as a JSON string literal, quotes included.
std::string Json(const std::string& text);

// One line "quorvex: error N: MESSAGE" on stderr and, under --json,
// {"error":{"code":N,"message":"MESSAGE"}} on stdout. Returns `code`.
int ReportFailure(bool json, int code, const std::string& message);
// A usage error: "quorvex: MESSAGE" on stderr (and the JSON form). Returns 64.
int ReportUsage(bool json, const std::string& message);
// "quorvex: TEXT" on stderr: what the host did on the user's behalf.
void Note(const std::string& text);

const int kUsageStatus = 64;
// Something the host did not expect (out of memory, an unknown exception).
const int kInternalStatus = 70;

}  // namespace quorvex::cli
