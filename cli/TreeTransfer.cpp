// Whole folder trees between the PC and flash: get -r and put -r copy every
// file, sync copies only what differs (by size and time, or by the bytes with
// --checksum) and with --delete removes what the source lacks. Folders are
// created as needed on either side. The whole tree is walked first, so the
// plan is printed (--dry-run) or its total shown on one progress line before
// the first byte moves.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "Commands.h"
#include "Entries.h"
#include "Output.h"
#include "PcDestination.h"
#include "ProgressNotes.h"
#include "ResultText.h"
#include "StopSignals.h"
#include "quorvex/Quorvex.h"

namespace quorvex::cli {
namespace {

namespace fs = std::filesystem;

const int kStopped = 28;
const int kPcFileError = 5;
// Deeper trees than this are taken as a loop in what the target lists.
const int kMaxDepth = 32;

struct Tally {
    std::uint64_t copied = 0, skipped = 0, removed = 0, bytes = 0;
};

// One change the walk decided on, done in the order the walk found it.
struct Action {
    enum class Kind { kFlashFolder, kPcFolder, kPut, kGet, kRemoveFlash, kRemovePc } kind;
    std::string source;   // kPut, kGet: the file copied
    std::string target;   // what is made, written or removed
    bool folder = false;  // kRemoveFlash: a folder
    std::uint64_t bytes = 0;
};

class TreeRun {
  public:
    explicit TreeRun(CommandContext& c) : c_(c), options_(c.line->options) {
        const std::string name = c.line->command->name;
        sync_ = name == "sync";
        push_ = sync_ ? (options_ & kOptPull) == 0 : name == "put";
        dry_ = (options_ & kOptDryRun) != 0;
    }

    int Run() {
        const std::vector<std::string>& a = c_.line->operands;
        // get -r FLASHDIR PCDIR; put -r and sync PCDIR FLASHDIR.
        const bool flash_first = !sync_ && !push_;
        std::string pc = flash_first ? a[1] : a[0];
        std::string flash = flash_first ? a[0] : a[1];
        while (pc.size() > 1 && pc.back() == '/') pc.pop_back();
        while (!flash.empty() && flash.back() == '/') flash.pop_back();
        if (flash == ".") flash.clear();  // the current folder
        const auto started = std::chrono::steady_clock::now();
        // Comparing by content reads files while walking: a line of its own.
        const bool checks = sync_ && (options_ & kOptChecksum) != 0;
        if (checks) PlanProgress(c_, "cmp", 0, 0, true);
        int result = push_ ? PushRoot(pc, flash) : PullRoot(flash, pc);
        if (checks) EndProgress(c_, result == 0);
        if (result == 0 && !dry_) result = Execute();
        if (result == 0 && sync_) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            Summary(seconds);
        }
        return result;
    }

  private:
    std::string Join(const std::string& folder, const std::string& name) const {
        return folder.empty() || folder == "." ? name : folder + "/" + name;
    }

    void Plan(const std::string& what, Action action) {
        if (dry_) std::printf("%s\n", what.c_str());
        actions_.push_back(std::move(action));
    }

    int Execute() {
        std::uint64_t bytes = 0;
        std::size_t copies = 0, items = 0;
        for (const Action& a : actions_) {
            const bool copy = a.kind == Action::Kind::kPut || a.kind == Action::Kind::kGet;
            bytes += copy ? a.bytes : 0;
            copies += copy ? 1 : 0;
            items +=
                copy || a.kind == Action::Kind::kRemoveFlash || a.kind == Action::Kind::kRemovePc;
        }
        if (push_ && Verifies(c_)) bytes *= 2;  // each written file is read back
        // Nothing but removals: the line counts them.
        if (items > 0) PlanProgress(c_, c_.line->command->name, bytes, items, copies == 0);
        int result = 0;
        for (const Action& a : actions_) {
            if (StopRequested()) {
                result = kStopped;
                break;
            }
            result = Do(a);
            if (result != 0) break;
        }
        if (items > 0) EndProgress(c_, result == 0);
        return result;
    }

    int Do(const Action& a) {
        std::error_code error;
        switch (a.kind) {
            case Action::Kind::kFlashFolder: {
                unsigned int fdi_result = 0;
                const int result = c_.flash->MakeDir(a.target.c_str(), 0777, fdi_result);
                if (result == 0) return 0;
                return Fail(c_, result,
                            DescribeResult(result, FullFlashPath(*c_.flash, a.target), ""));
            }
            case Action::Kind::kPcFolder:
                fs::create_directories(a.target, error);
                if (!error) return 0;
                return Fail(c_, kPcFileError,
                            "cannot create the PC folder " + a.target + ": " + error.message());
            case Action::Kind::kPut:
                return PutOne(c_, a.source, a.target);
            case Action::Kind::kGet:
                return GetOne(c_, a.source, a.target);
            case Action::Kind::kRemoveFlash: {
                ShowRemoval(a.target);
                const std::string full = FullFlashPath(*c_.flash, a.target);
                const int result = a.folder ? c_.flash->RemoveDir(a.target.c_str())
                                            : c_.flash->RemoveFile(a.target.c_str());
                ItemDoneProgress(c_, result == 0);
                return result == 0 ? 0 : Fail(c_, result, DescribeResult(result, full, ""));
            }
            case Action::Kind::kRemovePc:
                ShowRemoval(a.target);
                fs::remove_all(a.target, error);
                ItemDoneProgress(c_, !error);
                if (!error) return 0;
                return Fail(c_, kPcFileError, "cannot remove " + a.target + ": " + error.message());
        }
        return 0;
    }

    void ShowRemoval(const std::string& name) {
        ProgressNote item;
        item.operation = "rm";
        item.name = name;
        item.sized = false;
        ItemProgress(c_, std::move(item));
    }

    void Summary(double seconds) {
        const char* verb = dry_ ? "would copy" : "copied";
        if (c_.json) {
            std::printf(
                "{\"copied\":%llu,\"skipped\":%llu,\"removed\":%llu,\"bytes\":%llu,"
                "\"seconds\":%.2f,\"dry_run\":%s}\n",
                static_cast<unsigned long long>(t_.copied),
                static_cast<unsigned long long>(t_.skipped),
                static_cast<unsigned long long>(t_.removed),
                static_cast<unsigned long long>(t_.bytes), seconds, dry_ ? "true" : "false");
        } else if (!c_.quiet) {
            std::printf("%s %llu, skipped %llu, %s %llu, %llu bytes, %.1f s\n", verb,
                        static_cast<unsigned long long>(t_.copied),
                        static_cast<unsigned long long>(t_.skipped),
                        dry_ ? "would remove" : "removed",
                        static_cast<unsigned long long>(t_.removed),
                        static_cast<unsigned long long>(t_.bytes), seconds);
        }
    }

    // The PC file's modification time as the listing writes stamps (UTC).
    static std::string PcTime(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return "";
        std::tm utc{};
        gmtime_r(&st.st_mtime, &utc);
        char text[32];
        std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &utc);
        return text;
    }

    // Whether the destination differs from the source, by size and time
    // (the source newer than the copy), or by the bytes with --checksum.
    int Differs(const std::string& pc, const CFdiFile* flash, const std::string& flash_path,
                bool* differs) {
        *differs = true;
        std::error_code error;
        const bool pc_exists = fs::is_regular_file(pc, error);
        if (!sync_ || flash == nullptr || !pc_exists) return 0;
        if (fs::file_size(pc, error) != flash->m_dwSize) return 0;
        if ((options_ & kOptChecksum) != 0) {
            ProgressNote item;
            item.operation = "cmp";
            item.name = push_ ? pc : flash_path;
            item.sized = false;
            item.filling = KeptCopyPath(pc, flash_path);
            ItemProgress(c_, std::move(item));
            const int result = c_.flash->ComparePcFileWithFlashFile(pc.c_str(), flash_path.c_str());
            ItemDoneProgress(c_, result == 0 || result == 8);
            if (result == 8) {  // the differing copy is not worth keeping here
                fs::remove(KeptCopyPath(pc, flash_path), error);
                return 0;
            }
            if (result != 0) return result;
            *differs = false;
            return 0;
        }
        const std::string source = push_ ? PcTime(pc) : ModifiedIso(*flash);
        const std::string copy = push_ ? ModifiedIso(*flash) : PcTime(pc);
        *differs = source > copy;
        return 0;
    }

    void MakeFlashFolder(const std::string& folder) {
        Plan("mkdir " + FullFlashPath(*c_.flash, folder), {Action::Kind::kFlashFolder, "", folder});
    }

    int PushRoot(const std::string& pc, const std::string& flash) {
        std::error_code error;
        if (!fs::is_directory(pc, error)) {
            return Fail(c_, 2, "cannot read the PC folder " + pc + ": not a folder");
        }
        CFdiFile entry;
        const int found = flash.empty() ? 0 : FindEntry(c_, flash, &entry);
        if (found == kNotListed) {
            c_.message.clear();
            MakeFlashFolder(flash);
            return Push(pc, flash, false, 0);
        }
        if (found != 0) return found;
        if (!flash.empty() && !IsFolder(entry)) {
            return Fail(c_, kUsageStatus,
                        FullFlashPath(*c_.flash, flash) + " is a file, not a folder");
        }
        return Push(pc, flash, true, 0);
    }

    int Push(const std::string& pc, const std::string& flash, bool listed, int depth) {
        if (depth > kMaxDepth) return Fail(c_, kUsageStatus, "the tree is deeper than 32 folders");
        std::map<std::string, CFdiFile> there;
        if (listed) {
            std::vector<CFdiFile> entries;
            const int result = ListFolder(c_, flash, &entries);
            if (result != 0) return result;
            for (const CFdiFile& e : entries) there[static_cast<LPCSTR>(e.m_strName)] = e;
        }
        std::map<std::string, bool> here;  // name -> is a folder, in name order
        std::error_code error;
        for (const fs::directory_entry& e : fs::directory_iterator(pc, error)) {
            here[e.path().filename().string()] = e.is_directory(error);
        }
        if (error)
            return Fail(c_, kPcFileError,
                        "cannot read the PC folder " + pc + ": " + error.message());
        for (const auto& [name, folder] : here) {
            if (StopRequested()) return kStopped;
            const std::string pc_path = pc + "/" + name, flash_path = Join(flash, name);
            const auto found = there.find(name);
            const CFdiFile* entry = found == there.end() ? nullptr : &found->second;
            if (folder) {
                const bool exists = entry != nullptr && IsFolder(*entry);
                if (!exists) MakeFlashFolder(flash_path);
                const int result = Push(pc_path, flash_path, exists, depth + 1);
                if (result != 0) return result;
                continue;
            }
            bool differs = true;
            const int judged = Differs(pc_path, entry, flash_path, &differs);
            if (judged != 0) return judged;
            if (!differs) {
                ++t_.skipped;
                continue;
            }
            std::uint64_t size = fs::file_size(pc_path, error);
            if (error) size = 0;  // the copy says what is wrong with the file
            Plan("copy " + pc_path + " -> " + FullFlashPath(*c_.flash, flash_path),
                 {Action::Kind::kPut, pc_path, flash_path, false, size});
            ++t_.copied;
            t_.bytes += size;
        }
        if ((options_ & kOptDelete) == 0) return 0;
        for (const auto& [name, entry] : there) {
            if (here.count(name) == 0) {
                const int result = RemoveFlash(Join(flash, name), IsFolder(entry), depth);
                if (result != 0) return result;
            }
        }
        return 0;
    }

    int RemoveFlash(const std::string& path, bool folder, int depth) {
        if (folder) {
            if (depth > kMaxDepth)
                return Fail(c_, kUsageStatus, "the tree is deeper than 32 folders");
            std::vector<CFdiFile> entries;
            const int listed = ListFolder(c_, path, &entries);
            if (listed != 0) return listed;
            for (const CFdiFile& e : entries) {
                const int result = RemoveFlash(Join(path, static_cast<LPCSTR>(e.m_strName)),
                                               IsFolder(e), depth + 1);
                if (result != 0) return result;
            }
        }
        Plan("remove " + FullFlashPath(*c_.flash, path) + (folder ? "/" : ""),
             {Action::Kind::kRemoveFlash, "", path, folder});
        ++t_.removed;
        return 0;
    }

    int PullRoot(const std::string& flash, const std::string& pc) {
        CFdiFile entry;
        if (!flash.empty()) {
            const int found = FindEntry(c_, flash, &entry);
            if (found != 0) return found;
            if (!IsFolder(entry)) {
                return Fail(c_, kUsageStatus,
                            FullFlashPath(*c_.flash, flash) + " is a file, not a folder");
            }
        }
        return Pull(flash, pc, 0);
    }

    int Pull(const std::string& flash, const std::string& pc, int depth) {
        if (depth > kMaxDepth) return Fail(c_, kUsageStatus, "the tree is deeper than 32 folders");
        std::error_code error;
        if (!fs::is_directory(pc, error)) Plan("mkdir " + pc, {Action::Kind::kPcFolder, "", pc});
        std::vector<CFdiFile> entries;
        const int listed = ListFolder(c_, flash, &entries);
        if (listed != 0) return listed;
        SortEntries(&entries, SortBy::kName, false);
        std::map<std::string, bool> there;
        for (const CFdiFile& e : entries) {
            if (StopRequested()) return kStopped;
            const std::string name = static_cast<LPCSTR>(e.m_strName);
            there[name] = IsFolder(e);
            const std::string pc_path = pc + "/" + name, flash_path = Join(flash, name);
            if (IsFolder(e)) {
                const int result = Pull(flash_path, pc_path, depth + 1);
                if (result != 0) return result;
                continue;
            }
            bool differs = true;
            const int judged = Differs(pc_path, &e, flash_path, &differs);
            if (judged != 0) return judged;
            if (!differs) {
                ++t_.skipped;
                continue;
            }
            Plan("copy " + FullFlashPath(*c_.flash, flash_path) + " -> " + pc_path,
                 {Action::Kind::kGet, flash_path, pc_path, false, e.m_dwSize});
            ++t_.copied;
            t_.bytes += e.m_dwSize;
        }
        if ((options_ & kOptDelete) == 0 || !fs::is_directory(pc, error)) return 0;
        for (const fs::directory_entry& e : fs::directory_iterator(pc, error)) {
            const std::string name = e.path().filename().string();
            if (there.count(name) != 0) continue;
            Plan("remove " + e.path().string(), {Action::Kind::kRemovePc, "", e.path().string()});
            ++t_.removed;
        }
        if (error) {
            return Fail(c_, kPcFileError,
                        "cannot read the PC folder " + pc + ": " + error.message());
        }
        return 0;
    }

    CommandContext& c_;
    unsigned options_;
    bool sync_ = false, push_ = false, dry_ = false;
    Tally t_;
    std::vector<Action> actions_;
};

}  // namespace

int RunTreeCommand(CommandContext& c) {
    return TreeRun(c).Run();
}

}  // namespace quorvex::cli
