// The module log: channels that hand lines to the log sink.
#include "hostlib/log.h"

#include <cstdio>
#include <map>
#include <utility>

#include "hostlib/hostpaths.h"
#include "platform/time.h"

namespace {

std::mutex g_sink_mutex;
std::shared_ptr<quorvex::host::LogSink>& CurrentSink() {
    static auto* sink = new std::shared_ptr<quorvex::host::LogSink>;
    return *sink;
}

std::shared_ptr<quorvex::host::LogSink> ActiveSink() {
    std::lock_guard<std::mutex> lock(g_sink_mutex);
    auto& sink = CurrentSink();
    if (!sink) sink = std::make_shared<quorvex::host::FileLogSink>();
    return sink;
}

class LogChannel : public ILogChannel {
  public:
    explicit LogChannel(std::string name) : name_(std::move(name)) {}

    int WriteLogLine(const CString& line, DWORD mask) override {
        std::string text(static_cast<LPCSTR>(line), static_cast<std::size_t>(line.GetLength()));
        // One record is one line of the file.
        for (char& c : text) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        return ActiveSink()->Write(quorvex::host::LogRecord{name_, std::move(text), mask}) ? TRUE
                                                                                           : FALSE;
    }

  private:
    const std::string name_;
};

}  // namespace

ILogChannel* OpenLogChannel(const CString& displayName, const CString& second) {
    static std::mutex mutex;
    // Never destroyed: channels stay valid for the life of the process.
    static auto* channels = new std::map<std::pair<std::string, std::string>, LogChannel*>;
    std::string display = static_cast<LPCSTR>(displayName);
    std::string sub = static_cast<LPCSTR>(second);
    std::lock_guard<std::mutex> lock(mutex);
    auto& channel = (*channels)[{display, sub}];
    if (channel == nullptr) channel = new LogChannel(sub.empty() ? display : display + "/" + sub);
    return channel;
}

namespace quorvex::host {

std::shared_ptr<LogSink> SetLogSink(std::shared_ptr<LogSink> sink) {
    std::lock_guard<std::mutex> lock(g_sink_mutex);
    std::swap(CurrentSink(), sink);
    return sink;
}

std::string FormatLogLine(const LogRecord& record, const SYSTEMTIME& t) {
    char stamp[64];  // room for any WORD values, not only valid dates
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return std::string(stamp) + " [" + record.channel + "] " + record.line;
}

bool FileLogSink::Write(const LogRecord& record) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::string text = FormatLogLine(record, now) + "\n";
    std::string path =
        path_.empty()
            ? std::string(static_cast<LPCSTR>(GetHostPaths()->GetHostFolder())) + "/quorvex.log"
            : path_;
    std::lock_guard<std::mutex> lock(mutex_);
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return (std::fclose(file) == 0) && ok;
}

bool MemoryLogSink::Write(const LogRecord& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    records_.push_back(record);
    return true;
}

std::vector<LogRecord> MemoryLogSink::Records() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_;
}

}  // namespace quorvex::host
