// Starting, timing and stopping the bench's child programs.
#include "Processes.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace quorvex::bench {
namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

pid_t Spawn(std::vector<std::string> args, std::vector<std::string> env,
            const posix_spawn_file_actions_t* actions, std::string* error) {
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    std::vector<char*> argv = Pointers(args), envp = Pointers(env);
    pid_t pid = -1;
    const int status = posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), envp.data());
    if (status != 0) {
        *error = args[0] + ": " + std::strerror(status);
        return -1;
    }
    return pid;
}

}  // namespace

bool TargetProcess::Start(const std::string& program, const std::vector<std::string>& args,
                          std::string* error) {
    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = Spawn(argv, {}, &actions, error);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string line;
    char c = 0;
    pollfd waiting{out[0], POLLIN, 0};
    while (pid_ > 0 && poll(&waiting, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    close(out[0]);
    const std::string prefix = "listening on ";
    if (line.rfind(prefix, 0) != 0) {
        if (error->empty()) *error = program + ": no \"listening on\" line (got \"" + line + "\")";
        return false;
    }
    address_ = line.substr(prefix.size());
    return true;
}

double TargetProcess::CpuSeconds() const {
    std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name in parentheses may hold spaces; the fields follow it.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    unsigned long long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14) ticks += std::strtoull(field.c_str(), nullptr, 10);  // utime, stime
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

TargetProcess::~TargetProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

double TimedRun(const std::vector<std::string>& args, const std::vector<std::string>& env,
                std::string* error, double* cpu_seconds) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = Spawn(args, env, nullptr, error);
    if (pid < 0) return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (cpu_seconds != nullptr) {
        *cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string line;
        for (const std::string& arg : args) line += " " + arg;
        *error = "failed (status " + std::to_string(status) + "):" + line;
        return -1;
    }
    return seconds;
}

}  // namespace quorvex::bench
