// System error texts of the Win32 backend, from the system message table.
#include "platform/errors.h"

#include <cstdio>

namespace quorvex::platform {

// The real calls keep no context beyond their code.
std::string LastErrorContext() {
    return std::string();
}

std::string ErrorText(DWORD code) {
    char text[512];
    DWORD n =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    if (n == 0) {
        // Systems without English texts still have their own language's.
        n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, text, sizeof text, nullptr);
    }
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) --n;
    if (n > 0) return std::string(text, n);
    char generic[64];
    std::snprintf(generic, sizeof generic, "Unknown error %lu.", static_cast<unsigned long>(code));
    return generic;
}

}  // namespace quorvex::platform
