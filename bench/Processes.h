// Child programs of the throughput bench: a quorvex-target server kept for a
// whole run, and timed runs of the quorvex host.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quorvex::bench {

// A running quorvex-target; stopped (SIGTERM, then reaped) when destroyed.
class TargetProcess {
  public:
    // Starts `program` with `args` and waits for its "listening on ADDRESS"
    // line. false with *error when it does not come.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               std::string* error);
    ~TargetProcess();
    const std::string& address() const { return address_; }
    // CPU seconds (user and system, every thread) the target has used so
    // far, in clock ticks; negative when they cannot be read.
    double CpuSeconds() const;

  private:
    pid_t pid_ = -1;
    std::string address_;
};

// Runs `args` (args[0] the program) with `env` added to the environment and
// waits for it. Returns the wall seconds, or a negative value when it could
// not start or exited non-zero (then *error says why). *cpu_seconds, when
// given, receives the CPU seconds (user and system) the program used.
double TimedRun(const std::vector<std::string>& args, const std::vector<std::string>& env,
                std::string* error, double* cpu_seconds = nullptr);

}  // namespace quorvex::bench
