// The few POSIX calls the test suites use to set up their surroundings
// (environment variables, private temporary folders), on the Windows C
// runtime. Included ahead of every test source of the Windows build.
#pragma once

#include <direct.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name) != nullptr) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) {
    return _putenv_s(name, "") == 0 ? 0 : -1;
}

// Replaces the trailing XXXXXX and creates the folder; null when it cannot.
inline char* mkdtemp(char* name) {
    const std::size_t length = std::strlen(name);
    if (length < 6 || std::strcmp(name + length - 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::strcpy(name + length - 6, "XXXXXX");
        if (_mktemp_s(name, length + 1) != 0) return nullptr;
        if (_mkdir(name) == 0) return name;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}
