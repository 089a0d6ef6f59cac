// Where the module's trace lines go: the --trace destination, and the module
// log when "Update Diagnosis Information" is on.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "hostlib/trace.h"

class ILogChannel;

namespace quorvex::cli {

class TraceTee : public host::TraceSink {
  public:
    // `first` may be null; `log` null leaves the log out.
    TraceTee(std::shared_ptr<host::TraceSink> first, ILogChannel* log)
        : first_(std::move(first)), log_(log) {}
    void Write(std::string_view text) override;

  private:
    std::shared_ptr<host::TraceSink> first_;
    ILogChannel* log_;
};

// Installs the trace destinations for this run. False with one line in
// *error when the --trace file cannot be written.
bool InstallTrace(const std::string& trace, bool to_log, std::string* error);

}  // namespace quorvex::cli
