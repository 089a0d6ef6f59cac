// The progress line: its text for given figures, and the figures the pump
// makes of the module's per-packet messages and the host's notes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "ProgressLine.h"
#include "ProgressPump.h"
#include "quorvex/FlashExplorerData.h"

namespace {

using namespace quorvex::cli;
using Measure = ProgressView::Measure;

TEST(ProgressLineTest, FiguresAndNames) {
    // An e with a combining accent (CC 81, in octal) before "fg"; a wide character.
    const std::string accent = "abcde\314\201fg", wide = "\xe6\x97\xa5";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {SizeText(9999), "9999 B"},
        {SizeText(10000), "9.8 KiB"},
        {SizeText(1048575), "1.0 MiB"},
        {SizeText(3355443), "3.2 MiB"},
        {RateText(0.2), ""},
        {RateText(5347738), "5.1 MiB/s"},
        {ClockText(7), "0:07"},
        {ClockText(754), "12:34"},
        {ClockText(3723), "1:02:03"},
        {PrintableName("a\x1b[2Jb\r\xff\xc3\xa9"), "a?[2Jb??\xc3\xa9"},
        {PrintableName("\xe0\x80\xaf"), "???"},  // overlong '/'
        {FitText("logs/boot.txt", 10), "...oot.txt"},
        {FitText(wide + "\xe6\x9c\xac\xe8\xaa\x9e.txt", 9), "...\xe8\xaa\x9e.txt"},
        {FitText(accent, 6), "...e\314\201fg"},
        {FitText(accent, 5), "...fg"},  // no mark without its e
        {std::to_string(TextWidth(wide + "e\314\201")), "3"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(ProgressLineTest, LinesFitTheirColumns) {
    const std::string boot = "logs/boot.txt", deep = "a/very/long/folder/name/with/logs/boot.txt";
    const auto kBytes = Measure::kBytes;
    // operation, name, index, count, measure, total known, done, total, seconds, finished, bar
    const ProgressView put{"put", boot, 0, 0, kBytes, true, 3355444, 8388608, 0.63, false, false};
    const ProgressView gauge{"put", boot, 0, 0, kBytes, true, 3355444, 8388608, 0.63, false, true};
    const ProgressView many{"put", deep, 2, 5, kBytes, true, 3355444, 8388608, 0.63, false, false};
    const ProgressView rm{"rm", "x.bin", 3, 3, Measure::kFiles, true, 3, 0, 0, true, true};
    // At 3.25 s the spinner shows its first frame.
    const ProgressView format{"format", "dfm", 0, 0, Measure::kNone, true, 0, 0, 3.25, false, true};
    const ProgressView cat{"put", boot, 0, 0, kBytes, false, 1500, 8388608, 0.63, true, false};
    const struct {
        ProgressView view;
        std::size_t columns;
        std::string line;
    } cases[] = {
        {put, 80, "put  logs/boot.txt  3.2 MiB / 8.0 MiB  40%  5.1 MiB/s  0:01 left"},
        {gauge, 100,
         "put  logs/boot.txt  [########            ]  3.2 MiB / 8.0 MiB  40%  5.1 MiB/s  0:01 "
         "left"},
        {gauge, 81,  // the narrowest line with a gauge
         "put  logs/boot.txt  [###     ]  3.2 MiB / 8.0 MiB  40%  5.1 MiB/s  0:01 left"},
        {gauge, 80, "put  logs/boot.txt  3.2 MiB / 8.0 MiB  40%  5.1 MiB/s  0:01 left"},
        {many, 80,
         "put [2/5]  .../with/logs/boot.txt  3.2 MiB / 8.0 MiB  40%  5.1 MiB/s  0:01 left"},
        {many, 60, "put [2/5]  ...s/boot.txt  3.2 MiB / 8.0 MiB  40%  0:01 left"},
        {many, 40, "put [2/5]  3.2 MiB / 8.0 MiB  40%"},
        {many, 20, "...B / 8.0 MiB  40%"},
        {rm, 80, "rm [3/3]  x.bin  3 of 3 files done  0:00"},
        {format, 80, "format  dfm  |  0:03"},
        {cat, 80, "put  logs/boot.txt  1500 B  2381 B/s  0:00"},
    };
    for (const auto& c : cases) {
        const std::string line = FormatProgress(c.view, c.columns);
        EXPECT_EQ(line, c.line) << c.columns;
        EXPECT_LE(TextWidth(line), c.columns - 1);
    }
}

// One message to the pump: the module's (number, first and second
// parameter) or, with `note`, one of the host's.
struct Post {
    UINT message;
    WPARAM first = 0;
    LPARAM second = 0;
    std::shared_ptr<ProgressNote> note = nullptr;
};

Post Start(WPARAM total, int kind) {
    return {WM_FLASH_PROGRESS_START, total, kind};
}
Post Step(WPARAM amount) {
    return {WM_FLASH_PROGRESS_STEP, amount};
}
Post End() {
    return {WM_FLASH_PROGRESS_END};
}
Post Note(ProgressNote::Kind kind, std::string operation, std::uint64_t bytes,
          std::string name = "", ProgressNote extra = {}) {
    auto note = std::make_shared<ProgressNote>(std::move(extra));
    note->kind = kind;
    note->operation = std::move(operation);
    note->bytes = bytes;
    note->name = std::move(name);
    return {quorvex::cli::kProgressNoteMessage, 0, 0, note};
}
Post Item(std::string name, std::uint64_t size, ProgressNote extra = {}) {
    return Note(ProgressNote::Kind::kItem, "put", size, std::move(name), std::move(extra));
}

// The last line the pump draws for the posts, without its time figures.
std::string LastLine(const std::vector<Post>& posts) {
    setenv("NO_COLOR", "1", 1);
    setenv("COLUMNS", "200", 1);
    ::testing::internal::CaptureStderr();
    {
        quorvex::cli::ProgressPump pump(quorvex::cli::ProgressMode::kBar);
        for (const Post& p : posts) {
            WPARAM first = p.first;
            if (p.note) first = reinterpret_cast<WPARAM>(new ProgressNote(*p.note));
            PostMessageA(pump.window(), p.message, first, p.second);
        }
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    unsetenv("NO_COLOR");
    unsetenv("COLUMNS");
    const std::size_t end = err.rfind('\n');
    const std::size_t start = err.rfind('\r', end);
    if (end == std::string::npos || start == std::string::npos) return "(no line) " + err;
    std::string line = err.substr(start + 1, end - start - 1);
    // Blanks over a longer line before it (one with a rate, on a slow run).
    line.erase(line.find_last_not_of(' ') + 1);
    line = std::regex_replace(line, std::regex("  [|/\\\\-]  "), "  ");  // the spinner
    // The amount ends at its percentage, or at its unit when the total is unknown.
    const std::size_t percent = line.find('%'), unit = line.find(" B");
    if (percent != std::string::npos) return line.substr(0, percent + 1);
    return unit != std::string::npos ? line.substr(0, unit + 2) : line;
}

TEST(ProgressPumpTest, CountsTheBytesThatMoved) {
    const std::string home = ::testing::TempDir();
    std::ofstream(home + "/arrived", std::ios::binary) << std::string(3000, 'x');
    std::ofstream(home + "/back", std::ios::binary) << std::string(500, 'x');
    ProgressNote fdi5, filling, verified, unsized, finished_at, finished, by_files;
    fdi5.write_header = 4;
    filling.filling = home + "/arrived";
    verified.verified = true;
    verified.read_back = home + "/back";
    unsized.sized = false;
    finished_at.finished = true;
    finished.finished = true;
    finished.sized = false;
    by_files.by_files = true;
    by_files.files = 3;
    ProgressNote unread = verified, unsized_filling = filling;
    unread.read_back = home + "/none";
    unsized_filling.sized = false;
    using Kind = ProgressNote::Kind;
    const Kind kPlan = Kind::kPlan, kItem = Kind::kItem, kDone = Kind::kItemDone, kEnd = Kind::kEnd;
    const struct {
        std::vector<Post> posts;
        std::string line;
    } cases[] = {
        // A write step carries its packet with the header; a packet has
        // moved once the next step or the end comes.
        {{Item("p.bin", 9000), Start(9000, 2), Step(1032), Step(1032), Step(1032), End()},
         "put  p.bin  3072 B / 9000 B  34%"},
        {{Item("p.bin", 9000), Start(9000, 2), Step(1032), Step(1032), Step(1032)},
         "put  p.bin  2048 B / 9000 B  22%"},
        {{Item("p.bin", 9000, fdi5), Start(9000, 2), Step(1028), Step(1028), End()},
         "put  p.bin  2048 B / 9000 B  22%"},
        {{Item("p.bin", 9000), Start(9000, 2), Step(4104), End()},
         "put  p.bin  4096 B / 9000 B  45%"},
        {{Item("p.bin", 3000), Start(3000, 2), Step(4104), End()},
         "put  p.bin  3000 B / 3000 B  100%"},
        // A read step is 1024 whatever the packet: the PC file tells.
        {{Note(kItem, "get", 8000, "g.bin", filling), Start(8000, 1), Step(1024)},
         "get  g.bin  3000 B / 8000 B  37%"},
        {{Item("v.bin", 2000, verified), Start(2000, 2), Step(1032), Step(1032), End(),
          Start(2000, 5), Step(1024)},
         "verify  v.bin  2500 B / 4000 B  62%"},
        {{Item("v.bin", 2000, verified), Start(2000, 2), Step(1032), Step(1032), End(),
          Start(2000, 1), Step(1024)},
         "verify  v.bin  2500 B / 4000 B  62%"},
        {{Item("w.bin", 2000, unread), Start(2000, 2), Step(1032), Step(1032), End(),
          Start(2000, 5), Step(1024)},
         "verify  w.bin  2000 B / 4000 B  50%"},
        {{Note(kItem, "cat", 0, "c", unsized_filling), Step(1024)}, "cat  c  3000 B"},
        {{Note(kItem, "cat", 0, "c", unsized), Step(1024), Step(1024),
          Note(kDone, "", 1500, "", finished_at)},
         "cat  c  1500 B"},
        {{Note(kItem, "format", 0, "dfm", unsized), Start(300000, 4), End(),
          Note(kDone, "", 0, "", finished)},
         "format  dfm  done  0:00"},
        {{Note(kPlan, "put", 3000), Item("a", 1000), Note(kDone, "", 0, "", finished),
          Item("b", 2000), Start(2000, 2), Step(1032), Step(1032)},
         "put  b  2024 B / 3000 B  67%"},
        {{Note(kPlan, "rm", 0, "", by_files), Note(kItem, "rm", 0, "x"), Note(kItem, "rm", 0, "y"),
          Note(kEnd, "", 0, "", finished)},
         "rm [3/3]  y  3 of 3 files done  0:00"},
        // Without a note: the module's own total, and steps without a start.
        {{Start(2048, 1), Step(1024), Step(1024), End()}, "get  2048 B / 2048 B  100%"},
        {{Start(5000, 2), Step(1032), End()}, "put  1024 B / 5000 B  20%"},
        {{Step(1024), Step(1024), End()}, "get  2048 B"},
        {{Note(kPlan, "rm", 0, "", by_files), Note(kItem, "rm", 0, "x"), Note(kItem, "rm", 0, "y")},
         "rm [2/3]  y  1 of 3 files done  0:00"},
        {{Note(kPlan, "rm", 0, "", by_files), Note(kItem, "rm", 0, "x")},
         "rm [1/3]  x  0 of 3 files done  0:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(LastLine(c.posts), c.line);
}

}  // namespace
