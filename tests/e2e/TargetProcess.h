// Runs the quorvex-target program as a child process for tests: starts it,
// takes the address from its "listening on" line, and stops it with a signal.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <string>
#include <vector>

namespace quorvex::testing {

class TargetProcess {
  public:
    TargetProcess() = default;
    // Kills a program still running.
    ~TargetProcess();
    TargetProcess(const TargetProcess&) = delete;
    TargetProcess& operator=(const TargetProcess&) = delete;

    // Starts `program` with `args`, its stderr going to the file
    // `stderr_path`, and waits for its listening line. False, with the reason
    // in *error, when it ends or stays silent instead.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const std::string& stderr_path, std::string* error);
    // "tcp://127.0.0.1:PORT" as the program printed it.
    const std::string& address() const { return address_; }
    // Sends `signal` and reaps the program: its exit status, or -1 when a
    // signal ended it (or it was not running).
    int Stop(int signal = SIGTERM);

  private:
    pid_t pid_ = -1;
    std::string address_;
};

// Runs `program` with `args` to its end; its exit status (-1 when a signal
// ended it), stdout into *out and stderr into *err.
int RunToEnd(const std::string& program, const std::vector<std::string>& args, std::string* out,
             std::string* err);

}  // namespace quorvex::testing
