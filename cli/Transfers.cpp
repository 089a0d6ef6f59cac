// get, put and cmp: the whole-file transfers, with what the host adds around
// them (an atomic PC destination, removal of a failed write, the kept copy of
// a comparison) and every exception turned into a failure line.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <new>
#include <string>

#include "Commands.h"
#include "LinkWatch.h"
#include "Output.h"
#include "PcDestination.h"
#include "ResultText.h"
#include "StopSignals.h"
#include "framework/file_exception.h"
#include "hostlib/hostpaths.h"
#include "quorvex/Quorvex.h"

namespace quorvex::cli {
namespace {

const int kStopped = 28;
const int kPcFileError = 5;
const int kPcFileMissing = 2;

// Runs one transfer of the module; a PC-file exception it lets pass becomes
// code 5 with the framework's text, anything else an internal failure.
template <typename Transfer>
int Guarded(CommandContext& c, Transfer transfer) {
    try {
        return transfer();
    } catch (const CFileException& e) {
        char text[512];
        if (!e.GetErrorMessage(text, sizeof(text)))
            std::snprintf(text, sizeof(text), "PC file error");
        return Fail(c, kPcFileError, ResultMeaning(kPcFileError) + ": " + text);
    } catch (const CException&) {
        return Fail(c, kInternalStatus, "the module ran out of memory or failed");
    } catch (const std::bad_alloc&) {
        return Fail(c, kInternalStatus, "out of memory");
    }
}

std::string HostTempFolder() {
    return std::string(static_cast<LPCSTR>(GetHostPaths()->GetHostFolder())) + "/Temp/";
}

// Free space of the transfer's volume, when "Available Space" asks for it.
void ShowAvailableSpace(CommandContext& c, const std::string& full_path) {
    if (!c.settings.available_space) return;
    const std::string volume =
        static_cast<LPCSTR>(CQuorvexManager::Instance()->GetFirstPathPart(full_path.c_str()));
    std::uint64_t size = 0;
    DWORD available = 0;
    if (c.flash->QueryCapacity(volume.c_str(), size, available) == 0) {
        Note(std::to_string(available) + " bytes free on " +
             (volume.empty() ? "the volume" : volume));
    }
}

int Get(CommandContext& c) {
    CFlashExplorerData& f = *c.flash;
    const std::vector<std::string>& a = c.line->operands;
    const std::string flash = a[0];
    const std::string full = FullFlashPath(f, flash);
    PcDestination destination;
    std::string error;
    if (!destination.Open(a.size() == 2 ? a[1] : BaseName(flash), BaseName(flash), &error)) {
        return Fail(c, kPcFileError, ResultMeaning(kPcFileError) + ": " + error);
    }
    const CFdiFileList* cached = nullptr;
    f.GetFileList(cached, "*");  // the listed size gives the progress its total
    if (StopRequested()) return kStopped;
    int result =
        Guarded(c, [&] { return f.ReadFile(destination.write_path().c_str(), flash.c_str()); });
    if (result == 0 && StopRequested()) result = kStopped;
    if (result != 0) {
        if (c.message.empty()) c.message = DescribeResult(result, full, destination.path());
        return result;  // the destination stays as it was
    }
    if (!destination.Commit(&error)) {
        return Fail(c, kPcFileError, ResultMeaning(kPcFileError) + ": " + error);
    }
    ShowAvailableSpace(c, full);
    return 0;
}

int Put(CommandContext& c) {
    CFlashExplorerData& f = *c.flash;
    const std::vector<std::string>& a = c.line->operands;
    const std::string pc = a[0];
    std::string flash = a.size() == 2 ? a[1] : BaseName(pc);
    if (flash.back() == '/') flash += BaseName(pc);
    const std::string full = FullFlashPath(f, flash);
    const unsigned options = c.line->options;
    const bool verify = (options & kOptVerify) != 0 ||
                        ((options & kOptNoVerify) == 0 && c.settings.verify_after_write);
    if (StopRequested()) return kStopped;
    c.watch->Mark();
    int result = Guarded(c, [&] { return f.WriteFile(flash.c_str(), pc.c_str(), verify ? 1 : 0); });
    if (result == 0) {
        ShowAvailableSpace(c, full);
        return 0;
    }
    if (c.message.empty()) c.message = DescribeResult(result, full, pc);
    // Only a write that opened the flash file left something there ("wb+"
    // empties it); the module removes it itself when stopped mid-write.
    const bool opened = c.watch->Sent("Fwrite") || c.watch->Sent("Fclose");
    if (!opened || c.watch->Sent("Remove_File")) return result;
    if ((options & kOptKeepPartial) != 0) {
        Note("kept the partly written " + full + " on the target (--keep-partial)");
        return result;
    }
    const int removed = f.RemoveFile(flash.c_str());
    if (removed == 0) {
        Note("removed the partly written " + full + " from the target (--keep-partial keeps it)");
    } else {
        Note("could not remove the partly written " + full + ": error " + std::to_string(removed) +
             ": " + ResultMeaning(removed));
    }
    return result;
}

// Removes the copies that comparisons kept in the host's temporary folder.
int CleanCopies(CommandContext& c) {
    const std::string folder = HostTempFolder();
    int removed = 0;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string path = folder + entry->d_name;
            if (entry->d_name[0] != '.' && WhyNotAFile(path).empty() &&
                ::unlink(path.c_str()) == 0) {
                ++removed;
            }
        }
        ::closedir(dir);
    }
    if (c.json) {
        std::printf("{\"removed\":%d,\"folder\":%s}\n", removed, Json(folder).c_str());
    } else {
        std::printf("removed %d kept cop%s from %s\n", removed, removed == 1 ? "y" : "ies",
                    folder.c_str());
    }
    return 0;
}

int Compare(CommandContext& c) {
    if ((c.line->options & kOptClean) != 0) return CleanCopies(c);
    CFlashExplorerData& f = *c.flash;
    const std::string pc = c.line->operands[0];
    const std::string flash = c.line->operands[1];
    const std::string full = FullFlashPath(f, flash);
    const int result =
        Guarded(c, [&] { return f.ComparePcFileWithFlashFile(pc.c_str(), flash.c_str()); });
    if (result == 0) {
        if (!c.json) std::printf("%s and %s are identical\n", pc.c_str(), flash.c_str());
        return 0;
    }
    if (!c.message.empty()) return result;
    c.message = DescribeResult(result, full, pc);
    if (result == 8) {
        // The module keeps the flash copy only when it differs; it lies in the
        // temporary folder unless the PC file itself does.
        const std::string temp = HostTempFolder();
        const std::string copy =
            pc.find(temp) == std::string::npos
                ? temp + BaseName(flash)
                : std::string(static_cast<LPCSTR>(GetHostPaths()->GetHostFolder())) + "/" +
                      BaseName(flash);
        c.message += "; the flash copy is kept as " + copy + " (quorvex cmp --clean removes it)";
    }
    return result;
}

}  // namespace

int CheckPcSource(CommandContext& c) {
    const std::string name = c.line->command->name;
    if ((name != "put" && name != "cmp") || c.line->operands.empty()) return 0;
    const std::string& pc = c.line->operands[0];
    const std::string why = WhyNotAFile(pc);
    if (why.empty()) return 0;
    // put's code for a missing PC file is 2, cmp's 5: the module's own.
    return Fail(c, name == "put" ? kPcFileMissing : kPcFileError,
                "cannot read the PC file " + pc + ": " + why);
}

int RunTransferCommand(CommandContext& c) {
    const std::string name = c.line->command->name;
    SetStopTarget(c.flash);
    const int result = name == "get" ? Get(c) : name == "put" ? Put(c) : Compare(c);
    SetStopTarget(nullptr);
    return result;
}

}  // namespace quorvex::cli
