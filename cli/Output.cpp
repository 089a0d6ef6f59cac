// Failure lines and JSON text of the quorvex host.
#include "Output.h"

#include <cstdio>

namespace quorvex::cli {

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

namespace {

void JsonError(bool json, int code, const std::string& message) {
    if (!json) return;
    std::printf("{\"error\":{\"code\":%d,\"message\":%s}}\n", code, Json(message).c_str());
    std::fflush(stdout);
}

}  // namespace

int ReportFailure(bool json, int code, const std::string& message) {
    std::fprintf(stderr, "quorvex: error %d: %s\n", code, message.c_str());
    JsonError(json, code, message);
    return code;
}

int ReportUsage(bool json, const std::string& message) {
    std::fprintf(stderr, "quorvex: %s\n", message.c_str());
    JsonError(json, kUsageStatus, message);
    return kUsageStatus;
}

void Note(const std::string& text) {
    std::fprintf(stderr, "quorvex: %s\n", text.c_str());
}

}  // namespace quorvex::cli
