// Sizes, rates, times and the fitted progress line.
#include "ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#if __has_include(<sys/ioctl.h>)
#include <sys/ioctl.h>
#endif

namespace quorvex::cli {
namespace {

const std::size_t kDefaultColumns = 80;
const std::size_t kGaugeCells = 20;  // between the brackets, at most
const std::size_t kFewestGaugeCells = 8;
const std::size_t kShortestName = 8;   // below this the name is left out
const std::size_t kReadableName = 16;  // the name shrinks to this before the rate goes
const char kSpinner[] = {'|', '/', '-', '\\'};
const char kEllipsis[] = "...";

// Decodes one UTF-8 sequence at `i`; 0 with `length` 1 for a byte that starts
// none (bad lead, cut short, overlong, surrogate or beyond U+10FFFF).
char32_t Decode(const std::string& s, std::size_t i, std::size_t* length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    *length = 1;
    if (lead < 0x80) return lead;
    std::size_t extra = 0;
    char32_t code = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + extra >= s.size()) return 0;
    for (std::size_t k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    *length = extra + 1;
    return code;
}

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsCombining(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200B || c == 0x200D;
}

std::size_t Columns(char32_t c) {
    return IsCombining(c) ? 0 : IsWide(c) ? 2 : 1;
}

std::string Join(const std::vector<std::string>& parts) {
    std::string line;
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        if (!line.empty()) line += "  ";
        line += part;
    }
    return line;
}

std::string Gauge(std::uint64_t done, std::uint64_t total, std::size_t cells) {
    const std::size_t filled =
        total == 0 ? cells
                   : static_cast<std::size_t>(cells * (done < total ? done : total) / total);
    return "[" + std::string(filled, '#') + std::string(cells - filled, ' ') + "]";
}

}  // namespace

std::string SizeText(std::uint64_t bytes) {
    char text[32];
    if (bytes < 10000) {
        std::snprintf(text, sizeof(text), "%llu B", static_cast<unsigned long long>(bytes));
        return text;
    }
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    // 1023.96 KiB would print as "1024.0 KiB": it goes up a unit instead.
    while (value >= 1023.95 && unit + 1 < sizeof(kUnits) / sizeof(kUnits[0])) {
        value /= 1024;
        ++unit;
    }
    std::snprintf(text, sizeof(text), "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string RateText(double bytes_per_second) {
    if (!(bytes_per_second >= 0.5) || !std::isfinite(bytes_per_second)) return "";
    if (bytes_per_second >= 1.8e19) return SizeText(UINT64_MAX) + "/s";
    return SizeText(static_cast<std::uint64_t>(std::llround(bytes_per_second))) + "/s";
}

std::string ClockText(std::uint64_t seconds) {
    char text[40];
    const unsigned long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0) {
        std::snprintf(text, sizeof(text), "%llu:%02llu:%02llu", h, m, s);
    } else {
        std::snprintf(text, sizeof(text), "%llu:%02llu", m, s);
    }
    return text;
}

std::string PrintableName(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        std::size_t length = 1;
        const char32_t c = Decode(name, i, &length);
        const bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0);
        out += control ? std::string("?") : name.substr(i, length);
        i += length;
    }
    return out;
}

std::size_t TextWidth(const std::string& utf8) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = 1;
        width += Columns(Decode(utf8, i, &length));
        i += length;
    }
    return width;
}

std::string FitText(const std::string& utf8, std::size_t width) {
    if (TextWidth(utf8) <= width) return utf8;
    const std::size_t dots = sizeof(kEllipsis) - 1;
    if (width <= dots) return std::string(width, '.');
    // Start points of the characters, so the cut falls between two of them
    // and combining marks stay with what they mark.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0, length = 1; i < utf8.size(); i += length) {
        starts.push_back(i);
        Decode(utf8, i, &length);
    }
    std::size_t used = 0;
    std::size_t cut = utf8.size();
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        std::size_t length = 1;
        const std::size_t columns = Columns(Decode(utf8, *it, &length));
        if (used + columns > width - dots) break;
        used += columns;
        cut = *it;
    }
    // A mark whose base was cut off would sit on the dots.
    while (cut < utf8.size()) {
        std::size_t length = 1;
        if (!IsCombining(Decode(utf8, cut, &length))) break;
        cut += length;
    }
    return kEllipsis + utf8.substr(cut);
}

std::size_t TerminalColumns(int fd) {
#ifdef TIOCGWINSZ
    struct winsize size {};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#else
    (void)fd;
#endif
    if (const char* columns = std::getenv("COLUMNS")) {
        char* end = nullptr;
        const long value = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && value > 0 && value <= 10000) {
            return static_cast<std::size_t>(value);
        }
    }
    return kDefaultColumns;
}

std::string FormatProgress(const ProgressView& v, std::size_t columns) {
    const std::size_t limit = columns > 1 ? columns - 1 : 1;
    std::string head = v.operation;
    if (v.count > 1 && v.index > 0)
        head += " [" + std::to_string(v.index) + "/" + std::to_string(v.count) + "]";

    std::string gauge, amount, rate, left;
    const std::string spinner =
        v.finished ? "" : std::string(1, kSpinner[static_cast<std::uint64_t>(v.seconds * 10) % 4]);
    const std::string elapsed = ClockText(static_cast<std::uint64_t>(v.seconds));
    if (v.measure == ProgressView::Measure::kBytes) {
        const std::uint64_t done = v.total_known && v.done > v.total ? v.total : v.done;
        const double per_second = v.seconds > 0 ? done / v.seconds : 0;
        rate = RateText(per_second);
        if (v.total_known) {
            const unsigned percent =
                v.total == 0 ? 100 : static_cast<unsigned>(100 * (done / double(v.total)));
            amount =
                SizeText(done) + " / " + SizeText(v.total) + "  " + std::to_string(percent) + "%";
            if (v.finished) {
                left = elapsed;
            } else if (!rate.empty()) {
                left = ClockText(
                           static_cast<std::uint64_t>(std::ceil((v.total - done) / per_second))) +
                       " left";
            }
        } else {
            amount = Join({spinner, SizeText(done)});
            left = elapsed;
        }
    } else if (v.measure == ProgressView::Measure::kFiles) {
        const std::string of = v.count > 0 ? " of " + std::to_string(v.count) : "";
        amount = Join({spinner, std::to_string(v.done) + of + " files done"});
        left = elapsed;
    } else {
        amount = v.finished ? "done" : spinner;
        left = elapsed;
    }

    std::string name = PrintableName(v.name);
    auto line = [&] { return Join({head, name, gauge, amount, rate, left}); };
    // The gauge takes what room is left, within its bounds, measured against
    // the widest the figures get so that it keeps its size as they change.
    const std::size_t widest_figures = std::strlen("  1023.9 KiB/s  9:59 left");
    const std::size_t rest =
        TextWidth(Join({head, name, SizeText(v.total) + " / " + SizeText(v.total) + "  100%"})) +
        widest_figures + 4;  // the gauge's brackets and spacing
    if (v.bar && v.measure == ProgressView::Measure::kBytes && v.total_known &&
        rest + kFewestGaugeCells <= limit) {
        gauge = Gauge(v.done, v.total, std::min(limit - rest, kGaugeCells));
    }
    if (TextWidth(line()) <= limit) return line();
    gauge.clear();  // figures wider than planned for
    if (TextWidth(line()) <= limit) return line();
    // The name gives way first, down to a readable length; then the rate goes
    // and the name may get shorter; then the time left goes.
    const std::string full = name;
    const auto room = [&] {
        name.clear();
        const std::size_t others = TextWidth(line()) + (full.empty() ? 0 : 2);
        return limit > others ? limit - others : 0;
    };
    for (std::string* part : {&rate, &left, static_cast<std::string*>(nullptr)}) {
        const std::size_t space = room();
        const std::size_t least =
            std::min(part == &rate ? kReadableName : kShortestName, TextWidth(full));
        if (full.empty() ? TextWidth(line()) <= limit : least > 0 && space >= least) {
            name = FitText(full, space);
            return line();
        }
        if (part != nullptr) part->clear();
    }
    const std::string fitted = line();
    return TextWidth(fitted) <= limit ? fitted : FitText(fitted, limit);
}

}  // namespace quorvex::cli
