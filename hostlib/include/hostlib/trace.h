// Trace output of the host utility library. Texts go to the trace sink the
// host installed; with none installed they are dropped. Thread-safe.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "framework/cstring.h"

// Writes the zero-terminated text; null writes nothing.
void TraceText(const char* text);
// Writes the string as a C string would read it: up to its first NUL byte.
void TraceString(const CString& text);

namespace quorvex::host {

// Receives each trace text as one write. Called from any thread, possibly
// from several at once; implementations do their own locking.
class TraceSink {
  public:
    virtual ~TraceSink() = default;
    virtual void Write(std::string_view text) = 0;
};

// Installs `sink` (nullptr: drop every text) and returns the previous one.
std::shared_ptr<TraceSink> SetTraceSink(std::shared_ptr<TraceSink> sink);
std::shared_ptr<TraceSink> GetTraceSink();

// Appends to a file, flushing after every write so a crash loses nothing.
class FileTraceSink : public TraceSink {
  public:
    explicit FileTraceSink(const std::string& path);
    ~FileTraceSink() override;
    FileTraceSink(const FileTraceSink&) = delete;
    FileTraceSink& operator=(const FileTraceSink&) = delete;

    // False when the file could not be opened; writes are then dropped.
    bool is_open() const { return file_ != nullptr; }
    void Write(std::string_view text) override;

  private:
    std::mutex mutex_;
    std::FILE* file_;
};

class StderrTraceSink : public TraceSink {
  public:
    void Write(std::string_view text) override;
};

// Keeps everything in memory, for tests.
class MemoryTraceSink : public TraceSink {
  public:
    void Write(std::string_view text) override;
    // All texts joined in the order written.
    std::string Text() const;
    // Each write on its own.
    std::vector<std::string> Writes() const;
    void Clear();

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> writes_;
};

}  // namespace quorvex::host
