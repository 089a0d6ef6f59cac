// Directory searches with '*' and '?' in the last path component.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <deque>
#include <memory>

#include "file_info.h"
#include "handle_table.h"
#include "last_error.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "wildcard.h"

namespace {

using quorvex::platform::internal::Fail;
using quorvex::platform::internal::FailFromErrno;
using quorvex::platform::internal::HandleTable;
using quorvex::platform::internal::KernelObject;

// A search takes its matches when it starts; later changes to the directory
// are not seen, which keeps FindNextFileA free of directory state.
struct FindSearch : KernelObject {
    std::deque<WIN32_FIND_DATAA> matches;
};

bool HasWildcard(const std::string& text) {
    return text.find_first_of("*?") != std::string::npos;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    if (lpFileName == nullptr || *lpFileName == '\0' || lpFindFileData == nullptr) {
        Fail(ERROR_INVALID_PARAMETER, "FindFirstFileA: no path");
        return INVALID_HANDLE_VALUE;
    }
    std::string path = quorvex::platform::NativePath(lpFileName);
    auto slash = path.find_last_of('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);

    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Fail(ERROR_PATH_NOT_FOUND, "search in '" + directory + "': no such directory");
        return INVALID_HANDLE_VALUE;
    }
    if (pattern.empty()) {
        Fail(ERROR_FILE_NOT_FOUND, "search for '" + path + "': the path names no file");
        return INVALID_HANDLE_VALUE;
    }

    auto search = std::make_shared<FindSearch>();
    if (!HasWildcard(pattern)) {
        if (::stat(path.c_str(), &st) != 0) {
            FailFromErrno(errno, "search for", path);
            return INVALID_HANDLE_VALUE;
        }
        search->matches.emplace_back();
        quorvex::platform::internal::FillFindData(pattern, st, &search->matches.back());
    } else {
        DIR* dir = ::opendir(directory.c_str());
        if (dir == nullptr) {
            FailFromErrno(errno, "opendir", directory);
            return INVALID_HANDLE_VALUE;
        }
        while (const dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (!quorvex::platform::MatchesWildcard(pattern, name)) continue;
            // An entry that vanished between readdir and stat is simply not listed.
            if (::stat((directory + name).c_str(), &st) != 0) continue;
            search->matches.emplace_back();
            quorvex::platform::internal::FillFindData(name, st, &search->matches.back());
        }
        ::closedir(dir);
    }
    if (search->matches.empty()) {
        Fail(ERROR_FILE_NOT_FOUND, "search for '" + path + "': nothing matches");
        return INVALID_HANDLE_VALUE;
    }
    *lpFindFileData = search->matches.front();
    search->matches.pop_front();
    return HandleTable::Instance().Add(search);
}

BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    auto search = HandleTable::Instance().Get<FindSearch>(hFindFile);
    if (!search || lpFindFileData == nullptr) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Searches are used by one thread at a time, as with the native call.
    if (search->matches.empty()) {
        Fail(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *lpFindFileData = search->matches.front();
    search->matches.pop_front();
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    if (!HandleTable::Instance().RemoveIf<FindSearch>(hFindFile)) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

namespace quorvex::platform {

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    return internal::WildcardMatch(pattern, name, /*fold_case=*/false);
}

}  // namespace quorvex::platform
