// Where a get writes on the PC: a temporary file beside the destination,
// renamed over it only when the whole file arrived, so a failed, stopped or
// interrupted get leaves the old destination as it was and nothing else.
// A destination that is not a regular file (a device, a pipe) is written
// directly: there is nothing to replace atomically.
#pragma once

#include <string>

namespace quorvex::cli {

class PcDestination {
  public:
    PcDestination() = default;
    ~PcDestination();  // removes the temporary file unless committed
    PcDestination(const PcDestination&) = delete;
    PcDestination& operator=(const PcDestination&) = delete;

    // `pc` names the destination; an existing folder, or a name ending in
    // '/', receives `base_name` inside it. False with one line in *error
    // when no file can be made there.
    bool Open(const std::string& pc, const std::string& base_name, std::string* error);
    // Moves the received file into place. False with one line in *error.
    bool Commit(std::string* error);

    const std::string& path() const { return path_; }              // the destination
    const std::string& write_path() const { return write_path_; }  // what receives the bytes

  private:
    std::string path_;
    std::string write_path_;
    bool temporary_ = false;
};

// Empty when `path` names a readable regular file; otherwise why not
// ("no such file", "is a folder, not a file", ...).
std::string WhyNotAFile(const std::string& path);
// The last part of a path after '/' or '\'.
std::string BaseName(const std::string& path);

}  // namespace quorvex::cli
