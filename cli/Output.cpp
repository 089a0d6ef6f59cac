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

// Names in a message come from the user or the target: control characters
// are shown escaped, so the line stays one line and drives no terminal.
std::string OneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", static_cast<unsigned char>(c));
            out += escaped;
        }
    }
    return out;
}

namespace {

void JsonError(bool json, int code, const std::string& message) {
    if (!json) return;
    std::printf("{\"error\":{\"code\":%d,\"message\":%s}}\n", code, Json(message).c_str());
    std::fflush(stdout);
}

}  // namespace

int ReportFailure(bool json, int code, const std::string& message) {
    std::fprintf(stderr, "quorvex: error %d: %s\n", code, OneLine(message).c_str());
    JsonError(json, code, message);
    return code;
}

int ReportUsage(bool json, const std::string& message) {
    std::fprintf(stderr, "quorvex: %s\n", OneLine(message).c_str());
    JsonError(json, kUsageStatus, message);
    return kUsageStatus;
}

void Note(const std::string& text) {
    std::fprintf(stderr, "quorvex: %s\n", OneLine(text).c_str());
}

}  // namespace quorvex::cli
