// What the host tells the progress display beside the module's own messages:
// the whole operation before its first byte, each file as it begins, and the
// end. The module's steps are per-packet figures that do not say which file
// moves or how many bytes it really carries; these notes do. They are posted
// to the same window as the module's messages, so they keep their order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/messages.h"

namespace quorvex::cli {

struct CommandContext;

// Message numbers of the notes, apart from the module's 1124 to 1126. The
// first parameter carries a ProgressNote the pump takes ownership of.
const UINT kProgressNoteMessage = WM_APP + 1;

struct ProgressNote {
    enum class Kind { kPlan, kItem, kItemDone, kEnd } kind = Kind::kItem;
    // kPlan: the command ("put", "sync", "rm"); kItem: what is done to this file.
    std::string operation;
    // kItem: the file being worked on (flash or PC name, as the user wrote it).
    std::string name;
    // Count files, not bytes (removals, comparisons before a sync).
    bool by_files = false;
    // kPlan: bytes of the whole operation; kItem: this file's size. The link
    // carries it twice when `verified`.
    std::uint64_t bytes = 0;
    bool sized = true;      // false: the amount is unknown (a spinner instead)
    std::size_t files = 0;  // kPlan: how many items follow (0 unknown)
    bool verified = false;  // kItem: a write read back
    // kItem: the PC file the module fills while reading, and the one the
    // read-back of a verified write lands in; their size is the true count.
    std::string filling;
    std::string read_back;
    // kItem: header bytes of one write packet (4 in the FDI5 layout, 8 in
    // the wide one); a write step less this is the data it carries.
    unsigned write_header = 8;
    // kItemDone, kEnd: the file or operation succeeded, so all its bytes moved.
    bool finished = false;
};

// Whether notes reach a progress window at all: gathering what only a note
// needs (sizes of files still to come) can be left out otherwise.
bool ProgressWanted(const CommandContext& c);

// Posts the note to the progress window of `c`; nothing without one (an
// instance that shows no progress, or no target).
void PostProgressNote(const CommandContext& c, ProgressNote note);

// Shorthands; the item's write header comes from the FDI layout of the side
// `c` addresses.
void PlanProgress(const CommandContext& c, const std::string& operation, std::uint64_t bytes,
                  std::size_t files, bool by_files = false);
void ItemProgress(const CommandContext& c, ProgressNote item);
// `bytes`, when given, is the item's size found out only by moving it.
void ItemDoneProgress(const CommandContext& c, bool finished, const std::uint64_t* bytes = nullptr);
void EndProgress(const CommandContext& c, bool finished);

}  // namespace quorvex::cli
