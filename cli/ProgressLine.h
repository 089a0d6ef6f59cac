// The text of the progress line: sizes, rates and times as people read them,
// and a line that fits the terminal whatever the file names hold. Pure
// functions, so the drawing thread only decides what to show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvex::cli {

// "0 B", "9999 B", "9.8 KiB", "3.2 MiB", "1.5 GiB": exact bytes below 10000.
std::string SizeText(std::uint64_t bytes);
// "5.1 MiB/s"; "" when there is no rate yet.
std::string RateText(double bytes_per_second);
// "0:07", "12:34", "1:02:03".
std::string ClockText(std::uint64_t seconds);

// The name as a terminal line may carry it: control characters and bytes
// that are not UTF-8 become '?', so no name can move the cursor or colour
// the terminal.
std::string PrintableName(const std::string& name);
// Columns a printable UTF-8 text takes: two for wide East Asian characters,
// none for combining marks, one for the rest.
std::size_t TextWidth(const std::string& utf8);
// The text in at most `width` columns, keeping its end (the file's own
// name) behind "...".
std::string FitText(const std::string& utf8, std::size_t width);

// The terminal's width: TIOCGWINSZ on `fd`, else $COLUMNS, else 80.
std::size_t TerminalColumns(int fd);

struct ProgressView {
    std::string operation;  // "put", "get", "rm", "format", "verify", ...
    std::string name;       // what is being worked on; may be empty
    std::size_t index = 0;  // file k of `count`; shown when count > 1
    std::size_t count = 0;
    enum class Measure { kBytes, kFiles, kNone } measure = Measure::kBytes;
    bool total_known = true;  // kBytes: `total` is the whole amount
    std::uint64_t done = 0;   // bytes, or files done with kFiles
    std::uint64_t total = 0;
    double seconds = 0;     // since the operation began
    bool finished = false;  // it succeeded: the time it took instead of the time left
    bool bar = true;        // draw the [###...] gauge when there is room
};

// One line in at most `columns - 1` columns (the last one would wrap), e.g.
// "put [2/5] logs/boot.txt  [###   ]  3.2 MiB / 8.0 MiB  40%  5.1 MiB/s  0:01 left".
// What does not fit goes in this order: the gauge, the rate, the time
// left, then the name shrinks.
std::string FormatProgress(const ProgressView& view, std::size_t columns);

}  // namespace quorvex::cli
