// Directory entries as the host shows them: type, mode, ISO 8601 time
// stamps, sort orders and the display width of UTF-8 names.
#pragma once

#include <string>
#include <vector>

#include "quorvex/FdiFile.h"

namespace quorvex::cli {

bool IsFolder(const CFdiFile& e);
// "file" or "folder".
std::string TypeName(const CFdiFile& e);
// The permission bits in octal, four digits: "0644".
std::string ModeText(const CFdiFile& e);
// "2026-12-05T12:00:00Z" from the record's date and time texts (UTC); empty
// when the texts are not a date and a time.
std::string IsoTime(const CString& date, const CString& time);
// The modification stamp, or the creation stamp when there is none.
std::string ModifiedIso(const CFdiFile& e);
// Columns a UTF-8 text takes on a terminal (one per character).
std::size_t DisplayWidth(const std::string& text);

enum class SortBy { kListing, kName, kTime, kSize };
// Sorts by name ascending, time or size descending (newest, largest first),
// or keeps the listing's order; `reverse` turns the order round.
void SortEntries(std::vector<CFdiFile>* entries, SortBy by, bool reverse);

// The object of ls --json and stat --json for one entry.
std::string EntryJson(const CFdiFile& e);

// True when `pattern` holds *, ? or [ and so must be matched by the host.
bool IsPattern(const std::string& pattern);

}  // namespace quorvex::cli
