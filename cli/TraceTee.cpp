// The host's trace sink.
#include "TraceTee.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hostlib/log.h"

namespace quorvex::cli {

void TraceTee::Write(std::string_view text) {
    if (first_) first_->Write(text);
    if (log_ == nullptr) return;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    log_->WriteLogLine(CString(std::string(text).c_str()), 0x7FE);
}

bool InstallTrace(const std::string& trace, bool to_log, std::string* error) {
    std::shared_ptr<host::TraceSink> first;
    if (trace == "-") {
        first = std::make_shared<host::StderrTraceSink>();
    } else if (!trace.empty()) {
        std::FILE* probe = std::fopen(trace.c_str(), "a");
        if (probe == nullptr) {
            *error = "cannot write the trace file " + trace + ": " + std::strerror(errno);
            return false;
        }
        std::fclose(probe);
        first = std::make_shared<host::FileTraceSink>(trace);
    }
    ILogChannel* log = to_log ? OpenLogChannel("Quorvex", "trace") : nullptr;
    if (first || log != nullptr) host::SetTraceSink(std::make_shared<TraceTee>(first, log));
    return true;
}

}  // namespace quorvex::cli
