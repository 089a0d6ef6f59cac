// The module log of the host utility library. A line goes to the log sink;
// the default sink appends it to quorvex.log in the host folder as
// "YYYY-MM-DD HH:MM:SS.mmm [NAME] line" (local time; NAME is the display
// name, "display/second" when the second string is not empty).
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/cstring.h"

class ILogChannel {
  public:
    virtual ~ILogChannel() = default;
    // Writes one line (line breaks inside it become blanks). `mask` selects
    // the categories the line belongs to and is passed on to the sink.
    // Returns TRUE when the sink took the line. Thread-safe.
    virtual int WriteLogLine(const CString& line, DWORD mask) = 0;
};

// The channel for the two names; the same names give the same channel. It is
// never destroyed, so it stays valid for the life of the process.
ILogChannel* OpenLogChannel(const CString& displayName, const CString& second);

namespace quorvex::host {

struct LogRecord {
    std::string channel;  // the NAME of the line format above
    std::string line;
    DWORD mask;
};

// Receives every log line; called from any thread.
class LogSink {
  public:
    virtual ~LogSink() = default;
    virtual bool Write(const LogRecord& record) = 0;
};

// Installs `sink` and returns the previous one; nullptr restores the default.
std::shared_ptr<LogSink> SetLogSink(std::shared_ptr<LogSink> sink);

// The text of one log line without its line break.
std::string FormatLogLine(const LogRecord& record, const SYSTEMTIME& local_time);

// Appends formatted lines to a file: the given path, or quorvex.log in the
// host folder of the moment when the path is empty.
class FileLogSink : public LogSink {
  public:
    explicit FileLogSink(std::string path = {}) : path_(std::move(path)) {}
    bool Write(const LogRecord& record) override;

  private:
    std::mutex mutex_;
    std::string path_;
};

class MemoryLogSink : public LogSink {
  public:
    bool Write(const LogRecord& record) override;
    std::vector<LogRecord> Records() const;

  private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};

}  // namespace quorvex::host
