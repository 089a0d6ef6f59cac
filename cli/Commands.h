// The commands of the quorvex host, run on one flash data object.
#pragma once

#include <string>
#include <vector>

#include "CommandLine.h"
#include "HostSettings.h"
#include "platform/wintypes.h"

class CFlashExplorerData;
class CFdiFile;

namespace quorvex::cli {

class LinkWatch;

struct CommandContext {
    const CommandLine* line = nullptr;
    CFlashExplorerData* flash = nullptr;  // null for commands that need no target
    LinkWatch* watch = nullptr;
    HostSettings settings;
    bool json = false;
    bool quiet = false;  // -q: no notes and no confirmations
    // Notes wait until the progress display has ended, so the two never mix.
    std::vector<std::string> notes;
    // Set by a failing command: the text after "error N: ". Empty means the
    // code's plain meaning.
    std::string message;
};

// The PC's clock in UTC, as the target's clock takes it.
SYSTEMTIME UtcNow();

// Runs the parsed command. Returns 0 or the failure's code (with
// context.message); prints results on stdout.
int RunCommand(CommandContext& c);

// The command groups RunCommand hands to.
int RunListingCommand(CommandContext& c);   // info, volumes, ls, df
int RunTransferCommand(CommandContext& c);  // get, put, cmp
int RunSettingsCommand(CommandContext& c);  // settings
int RunTreeCommand(CommandContext& c);      // get -r, put -r, sync
// One file each way: the building blocks of the transfer commands. A PC
// destination that is a folder receives the flash file's base name.
int GetOne(CommandContext& c, const std::string& flash, const std::string& pc);
int PutOne(CommandContext& c, const std::string& pc, const std::string& flash);
// Whether a put reads each written file back (--verify, or the setting).
bool Verifies(const CommandContext& c);
// A put's name on the progress line: a verified one counts its bytes both ways.
std::string PutOperation(const CommandContext& c);
// Where the module keeps the flash copy of a comparison that found a difference.
std::string KeptCopyPath(const std::string& pc, const std::string& flash);
// Before connecting: 0 when the PC file a put or cmp reads is there.
int CheckPcSource(CommandContext& c);
// 0 when the target lists `volume`; otherwise a usage failure naming the
// volumes it has, or the listing's own failure.
int RequireListedVolume(CommandContext& c, const std::string& volume);

// The listing's entries of `folder` ("" the current one), copied.
int ListFolder(CommandContext& c, const std::string& folder, std::vector<CFdiFile>* out);
// The entries whose names match the last part of `operand` (* ? [...]),
// inside the folder its other parts name.
int MatchEntries(CommandContext& c, const std::string& operand, std::vector<CFdiFile>* out);
// The flash files `operands` name: a pattern becomes the files it matches
// (folders left out; none is a failure), a plain name stays.
int ExpandFlashNames(CommandContext& c, const std::vector<std::string>& operands,
                     std::vector<std::string>* names);
// The entry `name` names, found in its folder's listing; kNotListed when
// the folder does not hold it.
int FindEntry(CommandContext& c, const std::string& name, CFdiFile* out);
// The code for a name its folder's listing does not hold: the module's
// "the target could not give the file status".
const int kNotListed = 11;

// A note for stderr (told after the command, before its failure), unless -q.
void Note(CommandContext& c, const std::string& text);
// A confirmation on stdout ("reset sent"), unless --json or -q.
void Confirm(const CommandContext& c, const std::string& text);

// Failure with a message; returns `code`.
int Fail(CommandContext& c, int code, const std::string& message);
// The name as the module sends it: the current prefix in front unless the
// name already holds it.
std::string FullFlashPath(CFlashExplorerData& flash, const std::string& name);

}  // namespace quorvex::cli
