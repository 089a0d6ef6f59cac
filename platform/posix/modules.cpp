// Module handles and run-time loading on top of the dynamic loader. A module
// handle is the address where the loader mapped the object's first segment.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "last_error.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/module.h"

namespace {

using quorvex::platform::internal::Fail;

struct LoadedObject {
    HMODULE base = nullptr;
    std::string path;  // empty for the main program
    bool is_program = false;
};

std::string ProgramPath() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string AbsolutePath(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : path;
}

std::string BaseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
    std::size_t n = std::strlen(suffix);
    return text.size() >= n && ::strcasecmp(text.c_str() + text.size() - n, suffix) == 0;
}

// Visits every loaded object with its base and the address ranges it maps.
template <typename Visit>
void ForEachObject(Visit visit) {
    struct Context {
        Visit* visit;
        bool first = true;
    } context{&visit};
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* ctx = static_cast<Context*>(data);
            bool is_program = ctx->first;
            ctx->first = false;
            ElfW(Addr) low = ~ElfW(Addr){0};
            std::vector<std::pair<ElfW(Addr), ElfW(Addr)>> ranges;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const auto& ph = info->dlpi_phdr[i];
                if (ph.p_type != PT_LOAD) continue;
                ElfW(Addr) start = info->dlpi_addr + ph.p_vaddr;
                ranges.emplace_back(start, start + ph.p_memsz);
                low = std::min(low, start);
            }
            if (ranges.empty()) return 0;
            static const ElfW(Addr) page = static_cast<ElfW(Addr)>(::sysconf(_SC_PAGESIZE));
            LoadedObject object;
            object.base = reinterpret_cast<HMODULE>(low & ~(page - 1));
            object.is_program = is_program;
            object.path = is_program ? std::string() : std::string(info->dlpi_name);
            return (*ctx->visit)(object, ranges) ? 1 : 0;
        },
        &context);
}

bool FindByBase(HMODULE base, LoadedObject* found) {
    bool hit = false;
    ForEachObject([&](const LoadedObject& object, const auto&) {
        if (object.base != base) return false;
        *found = object;
        hit = true;
        return true;
    });
    return hit;
}

// The file names a request for `name` may stand for, in the order tried.
std::vector<std::string> CandidateNames(const std::string& name) {
    std::vector<std::string> names;
    std::string dir = DirName(name);
    std::string file = BaseName(name);
    if (EndsWithNoCase(file, ".dll")) {
        names.push_back(dir + "lib" + file.substr(0, file.size() - 4) + ".so");
    } else if (file.find('.') == std::string::npos) {
        names.push_back(dir + "lib" + file + ".so");
    }
    names.push_back(name);
    return names;
}

bool SameFileName(const std::string& wanted, const std::string& actual) {
    if (wanted == actual) return true;
    // A versioned file (libNAME.so.1.2) answers to its plain name too.
    return actual.size() > wanted.size() && actual.compare(0, wanted.size(), wanted) == 0 &&
           actual[wanted.size()] == '.' && EndsWithNoCase(wanted, ".so");
}

struct LoadRegistry {
    std::mutex mutex;
    std::map<HMODULE, std::vector<void*>> handles;  // one dlopen handle per LoadLibraryA
};

LoadRegistry& Loads() {
    static auto* registry = new LoadRegistry;
    return *registry;
}

}  // namespace

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    HMODULE result = nullptr;
    if (lpModuleName == nullptr) {
        ForEachObject([&](const LoadedObject& object, const auto&) {
            if (object.is_program) result = object.base;
            return object.is_program;
        });
        return result;
    }
    std::string name = quorvex::platform::NativePath(lpModuleName);
    std::vector<std::string> candidates = CandidateNames(name);
    bool by_path = name.find('/') != std::string::npos;
    std::string program = ProgramPath();
    ForEachObject([&](const LoadedObject& object, const auto&) {
        std::string path = object.is_program ? program : object.path;
        if (path.empty()) return false;
        for (const auto& candidate : candidates) {
            bool hit = by_path ? AbsolutePath(candidate) == AbsolutePath(path)
                               : SameFileName(candidate, BaseName(path)) ||
                                     (object.is_program && EndsWithNoCase(candidate, ".exe") &&
                                      candidate.substr(0, candidate.size() - 4) == BaseName(path));
            if (hit) {
                result = object.base;
                return true;
            }
        }
        return false;
    });
    if (result == nullptr) Fail(ERROR_MOD_NOT_FOUND, "module '" + name + "' is not loaded");
    return result;
}

BOOL GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule) {
    if (phModule == nullptr) {
        Fail(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phModule = (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)
                    ? quorvex::platform::ModuleFromAddress(lpModuleName)
                    : GetModuleHandleA(lpModuleName);
    if (*phModule == nullptr) {
        Fail(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    LoadedObject object;
    if (hModule == nullptr || (FindByBase(hModule, &object) && object.is_program)) {
        path = ProgramPath();
    } else if (FindByBase(hModule, &object)) {
        path = AbsolutePath(object.path);
    } else {
        Fail(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (lpFilename == nullptr || nSize == 0) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() + 1 > nSize) {
        std::memcpy(lpFilename, path.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (lpLibFileName == nullptr || *lpLibFileName == '\0') {
        Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string name = quorvex::platform::NativePath(lpLibFileName);
    std::vector<std::string> tries;
    for (const auto& candidate : CandidateNames(name)) {
        if (candidate.find('/') != std::string::npos) {
            tries.push_back(candidate);
            continue;
        }
        tries.push_back(DirName(ProgramPath()) + candidate);
        HMODULE caller = quorvex::platform::ModuleFromAddress(__builtin_return_address(0));
        char caller_path[PATH_MAX];
        if (caller != nullptr && GetModuleFileNameA(caller, caller_path, sizeof caller_path) > 0) {
            tries.push_back(DirName(caller_path) + candidate);
        }
        tries.push_back(candidate);  // the loader's own search path
    }

    std::string failure;
    for (const auto& path : tries) {
        bool is_path = path.find('/') != std::string::npos;
        if (is_path && ::access(path.c_str(), F_OK) != 0) continue;
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            if (is_path) failure = ::dlerror();
            continue;
        }
        link_map* map = nullptr;
        HMODULE base = nullptr;
        if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) {
            base = quorvex::platform::ModuleFromAddress(map->l_ld);
        }
        if (base == nullptr) {
            ::dlclose(handle);
            continue;
        }
        auto& loads = Loads();
        std::lock_guard<std::mutex> lock(loads.mutex);
        loads.handles[base].push_back(handle);
        return base;
    }
    if (!failure.empty()) {
        Fail(ERROR_BAD_EXE_FORMAT, failure);
    } else {
        Fail(ERROR_MOD_NOT_FOUND, "library '" + name + "' not found");
    }
    return nullptr;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    LoadedObject object;
    if (hModule == nullptr || !FindByBase(hModule, &object)) {
        Fail(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Small values are ordinals, which shared objects do not have.
    if (reinterpret_cast<std::uintptr_t>(lpProcName) < 0x10000) {
        Fail(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* handle = object.is_program ? ::dlopen(nullptr, RTLD_LAZY)
                                     : ::dlopen(object.path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        Fail(ERROR_MOD_NOT_FOUND, ::dlerror());
        return nullptr;
    }
    void* symbol = ::dlsym(handle, lpProcName);
    ::dlclose(handle);
    // dlsym also searches the object's dependencies; only the object's own
    // exports count.
    if (symbol == nullptr || quorvex::platform::ModuleFromAddress(symbol) != hModule) {
        Fail(ERROR_PROC_NOT_FOUND, std::string("no export '") + lpProcName + "'");
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE hLibModule) {
    void* handle = nullptr;
    {
        auto& loads = Loads();
        std::lock_guard<std::mutex> lock(loads.mutex);
        auto it = loads.handles.find(hLibModule);
        if (it != loads.handles.end()) {
            handle = it->second.back();
            it->second.pop_back();
            if (it->second.empty()) loads.handles.erase(it);
        }
    }
    if (handle == nullptr) {
        Fail(ERROR_INVALID_HANDLE, "module was not loaded by LoadLibraryA");
        return FALSE;
    }
    ::dlclose(handle);
    return TRUE;
}

namespace quorvex::platform {

HMODULE ModuleFromAddress(const void* address) {
    auto where = reinterpret_cast<ElfW(Addr)>(address);
    HMODULE result = nullptr;
    ForEachObject([&](const LoadedObject& object, const auto& ranges) {
        for (const auto& range : ranges) {
            if (where >= range.first && where < range.second) {
                result = object.base;
                return true;
            }
        }
        return false;
    });
    return result;
}

}  // namespace quorvex::platform
