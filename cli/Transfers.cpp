// get, put and cmp: the whole-file transfers, with what the host adds around
// them (an atomic PC destination, removal of a failed write, the kept copy of
// a comparison) and every exception turned into a failure line.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <string>

#include "Commands.h"
#include "Entries.h"
#include "LinkWatch.h"
#include "Output.h"
#include "PcDestination.h"
#include "PcSystem.h"
#include "ProgressNotes.h"
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

std::string HostFolder() {
    return std::string(static_cast<LPCSTR>(GetHostPaths()->GetHostFolder()));
}

std::string HostTempFolder() {
    return HostFolder() + "/Temp/";
}

// Free space of the transfer's volume, when "Available Space" asks for it.
void ShowAvailableSpace(CommandContext& c, const std::string& full_path) {
    if (!c.settings.available_space) return;
    const std::string volume =
        static_cast<LPCSTR>(CQuorvexManager::Instance()->GetFirstPathPart(full_path.c_str()));
    std::uint64_t size = 0;
    DWORD available = 0;
    if (c.flash->QueryCapacity(volume.c_str(), size, available) == 0) {
        Note(c, std::to_string(available) + " bytes free on " +
                    (volume.empty() ? "the volume" : volume));
    }
}

// Size of a PC file, 0 when it cannot be read (its transfer then says why).
std::uint64_t PcFileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size)
                                                            : 0;
}

// Bytes the flash files take together, from one listing of each folder.
std::uint64_t FlashBytes(CommandContext& c, const std::vector<std::string>& names) {
    std::map<std::string, std::map<std::string, std::uint64_t>> folders;
    std::uint64_t bytes = 0;
    for (const std::string& name : names) {
        const auto slash = name.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash);
        if (folders.count(folder) == 0) {
            std::vector<CFdiFile> entries;
            if (ListFolder(c, folder, &entries) != 0) c.message.clear();
            auto& sizes = folders[folder];
            for (const CFdiFile& e : entries) sizes[static_cast<LPCSTR>(e.m_strName)] = e.m_dwSize;
        }
        const auto& sizes = folders[folder];
        const auto found = sizes.find(BaseName(name));
        if (found != sizes.end()) bytes += found->second;
    }
    return bytes;
}

bool IsPcFolder(const std::string& path) {
    struct stat st {};
    return path.empty() || path.back() == '/' ||
           (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

int Get(CommandContext& c) {
    const std::vector<std::string>& a = c.line->operands;
    const std::string pc = a.size() >= 2 ? a.back() : "";
    const std::vector<std::string> sources(a.begin(), a.size() >= 2 ? a.end() - 1 : a.end());
    std::vector<std::string> names;
    int result = ExpandFlashNames(c, sources, &names);
    if (result != 0) return result;
    if (names.size() > 1 && !IsPcFolder(pc)) {
        return Fail(c, kUsageStatus, "several files go into a folder; " + pc + " is not one");
    }
    // Several files make one line, whose total is known before the first byte.
    const bool planned = names.size() > 1 && ProgressWanted(c);
    if (planned) PlanProgress(c, "get", FlashBytes(c, names), names.size());
    for (const std::string& name : names) {
        result = GetOne(c, name, pc);
        if (result != 0) break;
    }
    if (planned) EndProgress(c, result == 0);
    return result;
}

// Removes what a failed write left on the target, unless asked to keep it.
void RemovePartial(CommandContext& c, const std::string& flash, const std::string& full) {
    // Only a write that opened the flash file left something there ("wb+"
    // empties it); the module removes it itself when stopped mid-write.
    const bool opened = c.watch->Sent("Fwrite") || c.watch->Sent("Fclose");
    if (!opened || c.watch->Sent("Remove_File")) return;
    if ((c.line->options & kOptKeepPartial) != 0) {
        Note(c, "kept the partly written " + full + " on the target (--keep-partial)");
        return;
    }
    const int removed = c.flash->RemoveFile(flash.c_str());
    if (removed == 0) {
        Note(c,
             "removed the partly written " + full + " from the target (--keep-partial keeps it)");
    } else {
        Note(c, "could not remove the partly written " + full + ": error " +
                    std::to_string(removed) + ": " + ResultMeaning(removed));
    }
}

int Put(CommandContext& c) {
    const std::vector<std::string>& a = c.line->operands;
    const std::vector<std::string> sources(a.begin(), a.size() >= 2 ? a.end() - 1 : a.end());
    std::string folder;  // the flash folder that receives the files, "" for the current one
    if (a.size() >= 2) {
        folder = a.back();
        bool is_folder = sources.size() > 1 || folder.back() == '/';
        if (!is_folder) {
            // A name that cannot be looked up is taken as a file name; the
            // write itself then says what is wrong with it.
            CFdiFile entry;
            is_folder = FindEntry(c, folder, &entry) == 0 && IsFolder(entry);
            c.message.clear();
        }
        if (!is_folder) return PutOne(c, a[0], folder);  // put PC FLASH: the file's new name
        while (!folder.empty() && folder.back() == '/') folder.pop_back();
        folder += "/";
    }
    const bool planned = sources.size() > 1 && ProgressWanted(c);
    if (planned) {
        std::uint64_t bytes = 0;
        for (const std::string& pc : sources) bytes += PcFileSize(pc);
        PlanProgress(c, PutOperation(c), Verifies(c) ? 2 * bytes : bytes, sources.size());
    }
    int result = 0;
    for (const std::string& pc : sources) {
        result = PutOne(c, pc, folder + BaseName(pc));
        if (result != 0) break;
    }
    if (planned) EndProgress(c, result == 0);
    return result;
}

// cat: the file goes through a temporary copy, so a failed read prints nothing.
int Cat(CommandContext& c) {
    const std::string flash = c.line->operands[0];
    std::string name = HostTempFolder() + "cat-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) {
        return Fail(c, kPcFileError,
                    ResultMeaning(kPcFileError) + ": cannot create a file in " + HostTempFolder() +
                        ": " + std::strerror(errno));
    }
    ::close(fd);
    const std::string copy = buffer.data();
    ProgressNote item;
    item.operation = "cat";
    item.name = flash;
    item.sized = false;
    item.filling = copy;
    ItemProgress(c, std::move(item));
    int result = Guarded(c, [&] { return c.flash->ReadFile(copy.c_str(), flash.c_str()); });
    if (result == 0 && StopRequested()) result = kStopped;
    const std::uint64_t moved = PcFileSize(copy);
    ItemDoneProgress(c, result == 0, &moved);
    if (result == 0) {
        UseBinaryStdout();
        std::FILE* in = std::fopen(copy.c_str(), "rb");
        char block[65536];
        std::size_t n = 0;
        while (in != nullptr && (n = std::fread(block, 1, sizeof(block), in)) > 0) {
            if (std::fwrite(block, 1, n, stdout) != n) break;
        }
        const bool failed = in == nullptr || std::ferror(in) || std::fflush(stdout) != 0;
        if (in != nullptr) std::fclose(in);
        if (failed)
            result = Fail(c, kPcFileError,
                          ResultMeaning(kPcFileError) + ": stdout: " + std::strerror(errno));
    } else if (c.message.empty()) {
        c.message = DescribeResult(result, FullFlashPath(*c.flash, flash), "");
    }
    ::unlink(copy.c_str());
    return result;
}

// Removes the copies that comparisons kept in the host's two copy folders.
int CleanCopies(CommandContext& c) {
    int removed = 0;
    for (const std::string& folder : {HostFolder() + "/Temp/", HostFolder() + "/Compare/"}) {
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
    }
    if (c.json) {
        std::printf("{\"removed\":%d}\n", removed);
    } else {
        std::printf("removed %d kept cop%s from %s/Temp and %s/Compare\n", removed,
                    removed == 1 ? "y" : "ies", HostFolder().c_str(), HostFolder().c_str());
    }
    return 0;
}

int CompareOne(CommandContext& c, const std::string& pc, const std::string& flash) {
    CFlashExplorerData& f = *c.flash;
    ProgressNote item;
    item.operation = "cmp";
    item.name = flash;
    item.sized = false;  // the flash file's size is not looked up
    item.filling = KeptCopyPath(pc, flash);
    ItemProgress(c, std::move(item));
    const int result =
        Guarded(c, [&] { return f.ComparePcFileWithFlashFile(pc.c_str(), flash.c_str()); });
    if (result == 0) {
        const std::uint64_t size = PcFileSize(pc);
        ItemDoneProgress(c, true, &size);
        Confirm(c, pc + " and " + flash + " are identical");
        return 0;
    }
    if (!c.message.empty()) return result;
    c.message = DescribeResult(result, FullFlashPath(f, flash), pc);
    if (result == 8) {
        c.message += "; the flash copy is kept as " + KeptCopyPath(pc, flash) +
                     " (quorvex cmp --clean removes it)";
    }
    return result;
}

// cmp PC FLASH, or cmp PC... FOLDER: each PC file with its namesake there.
// Every file is compared; a difference is told for each and ends in 8.
int Compare(CommandContext& c) {
    if ((c.line->options & kOptClean) != 0) return CleanCopies(c);
    const std::vector<std::string>& a = c.line->operands;
    std::string folder = a.back();
    if (a.size() == 2 && folder.back() != '/') return CompareOne(c, a[0], folder);
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    std::size_t differing = 0;
    for (std::size_t i = 0; i + 1 < a.size(); ++i) {
        c.message.clear();
        const int result = CompareOne(c, a[i], folder + "/" + BaseName(a[i]));
        if (result != 0 && result != 8) return result;
        if (result == 8) {
            ++differing;
            Note(c, "error 8: " + c.message);
        }
    }
    if (differing == 0) return 0;
    return Fail(
        c, 8, std::to_string(differing) + " of " + std::to_string(a.size() - 1) + " files differ");
}

}  // namespace

bool Verifies(const CommandContext& c) {
    const unsigned options = c.line->options;
    return (options & kOptVerify) != 0 ||
           ((options & kOptNoVerify) == 0 && c.settings.verify_after_write);
}

std::string PutOperation(const CommandContext& c) {
    return Verifies(c) ? "put+verify" : "put";
}

std::string KeptCopyPath(const std::string& pc, const std::string& flash) {
    // The module keeps the copy in its temporary folder, or in a folder of
    // its own when the PC file lies in the temporary one.
    const std::string temp = HostTempFolder();
    return (pc.find(temp) == std::string::npos ? temp : HostFolder() + "/Compare/") +
           BaseName(flash);
}

// One flash file to one PC destination (a folder receives its base name).
int GetOne(CommandContext& c, const std::string& flash, const std::string& pc) {
    if (BaseName(flash).empty()) {
        return Fail(c, kUsageStatus, flash + " names a folder (get -r copies a folder)");
    }
    CFlashExplorerData& f = *c.flash;
    const std::string full = FullFlashPath(f, flash);
    PcDestination destination;
    std::string error;
    if (!destination.Open(pc.empty() ? BaseName(flash) : pc, BaseName(flash), &error)) {
        return Fail(c, kPcFileError, ResultMeaning(kPcFileError) + ": " + error);
    }
    // The listed size gives the progress its total; only this file is listed.
    const CFdiFileList* cached = nullptr;
    ProgressNote item;
    item.operation = "get";
    item.name = flash;
    item.sized = false;
    item.filling = destination.write_path();
    if (f.GetFileList(cached, flash.c_str()) == 0 && cached != nullptr) {
        for (POSITION pos = cached->GetHeadPosition(); pos != nullptr;) {
            const CFdiFile& entry = cached->GetNext(pos);
            if (BaseName(flash) == static_cast<LPCSTR>(entry.m_strName)) {
                item.bytes = entry.m_dwSize;
                item.sized = true;
            }
        }
    }
    if (StopRequested()) return kStopped;
    ItemProgress(c, std::move(item));
    int result =
        Guarded(c, [&] { return f.ReadFile(destination.write_path().c_str(), flash.c_str()); });
    if (result == 0 && StopRequested()) result = kStopped;
    const std::uint64_t moved = PcFileSize(destination.write_path());
    ItemDoneProgress(c, result == 0, &moved);
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

int PutOne(CommandContext& c, const std::string& pc, const std::string& flash) {
    CFlashExplorerData& f = *c.flash;
    const std::string full = FullFlashPath(f, flash);
    const bool verify = Verifies(c);
    if (StopRequested()) return kStopped;
    ProgressNote item;
    item.operation = PutOperation(c);
    item.name = pc;
    item.bytes = PcFileSize(pc);
    item.verified = verify;
    item.read_back = KeptCopyPath(pc, flash);
    ItemProgress(c, std::move(item));
    c.watch->Mark();
    const int result =
        Guarded(c, [&] { return f.WriteFile(flash.c_str(), pc.c_str(), verify ? 1 : 0); });
    ItemDoneProgress(c, result == 0);
    if (result == 0) {
        ShowAvailableSpace(c, full);
        return 0;
    }
    if (c.message.empty()) c.message = DescribeResult(result, full, pc);
    RemovePartial(c, flash, full);
    return result;
}

int CheckPcSource(CommandContext& c) {
    const std::string name = c.line->command->name;
    const std::vector<std::string>& a = c.line->operands;
    if ((name != "put" && name != "cmp") || a.empty()) return 0;
    if ((c.line->options & kOptRecursive) != 0) return 0;  // a folder, checked as it is walked
    // The sources are all operands but a destination.
    const std::size_t sources = a.size() >= 2 ? a.size() - 1 : 1;
    for (std::size_t i = 0; i < sources; ++i) {
        const std::string why = WhyNotAFile(a[i]);
        if (why.empty()) continue;
        // put's code for a missing PC file is 2, cmp's 5: the module's own.
        return Fail(c, name == "put" ? kPcFileMissing : kPcFileError,
                    "cannot read the PC file " + a[i] + ": " + why);
    }
    return 0;
}

int RunTransferCommand(CommandContext& c) {
    const std::string name = c.line->command->name;
    SetStopTarget(c.flash);
    const bool tree = (c.line->options & kOptRecursive) != 0 || name == "sync";
    const int result = tree            ? RunTreeCommand(c)
                       : name == "get" ? Get(c)
                       : name == "put" ? Put(c)
                       : name == "cat" ? Cat(c)
                                       : Compare(c);
    SetStopTarget(nullptr);
    return result;
}

}  // namespace quorvex::cli
