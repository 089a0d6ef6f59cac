// Running the quorvex and quorvex-target programs from tests: a child on
// given standard streams, a command line run to its end, and a target kept
// running for the length of a test.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace quorvex::testing {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// `size` bytes that differ from seed to seed.
inline std::string Pattern(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    return bytes;
}

// Starts `argv` with stdout and stderr on `out` and `err` and stdin on `in`
// (/dev/null when -1). After the fork, only async-signal-safe calls.
inline pid_t Spawn(const std::vector<std::string>& argv, int out, int err, int in = -1) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = fork();
    if (pid == 0) {
        if (dup2(in < 0 ? null : in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
        execv(args[0], args.data());
        _exit(127);
    }
    close(null);
    return pid;
}

// Sends `signal` (none when 0) and reaps the child: its exit status, or -1
// when a signal ended it.
inline int Reap(pid_t pid, int signal = 0) {
    if (pid <= 0) return -1;
    if (signal != 0) kill(pid, signal);
    int raw = 0;
    return waitpid(pid, &raw, 0) == pid && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Runs `argv` to its end with stdin on `in`; stdout and stderr go through
// the files home/stdout and home/stderr.
inline Outcome RunToEnd(const std::vector<std::string>& argv, const std::string& home,
                        int in = -1) {
    const std::string out_path = home + "/stdout", err_path = home + "/stderr";
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = Spawn(argv, out, err, in);
    close(out);
    close(err);
    const int status = Reap(pid);
    return {status, ReadAll(out_path), ReadAll(err_path)};
}

// The quorvex-target program as a child: started on a free loopback port,
// stopped with a signal (killed when the test ends without stopping it).
class TargetProcess {
  public:
    TargetProcess() = default;
    ~TargetProcess() { Stop(SIGKILL); }
    TargetProcess(const TargetProcess&) = delete;
    TargetProcess& operator=(const TargetProcess&) = delete;

    // Starts `argv` (the program first) with its stderr in the file `err_path`,
    // and waits for its "listening on ADDRESS" line. False, with the reason
    // in *error, when it ends or stays silent instead.
    bool Start(const std::vector<std::string>& argv, const std::string& err_path,
               std::string* error) {
        int line_pipe[2];
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (pipe2(line_pipe, O_CLOEXEC) != 0) line_pipe[0] = line_pipe[1] = -1;
        pid_ = Spawn(argv, line_pipe[1], err);
        close(line_pipe[1]);
        close(err);
        // The poll only bounds a broken program; a healthy one prints its line at once.
        pollfd readable{line_pipe[0], POLLIN, 0};
        FILE* from = fdopen(line_pipe[0], "r");
        char text[256] = "";
        if (from == nullptr || poll(&readable, 1, 20000) != 1 || !fgets(text, sizeof text, from)) {
            text[0] = '\0';
        }
        if (from != nullptr) fclose(from);
        const std::string line = text;
        const std::string listening = "listening on ";
        if (line.rfind(listening, 0) != 0 || line.back() != '\n') {
            *error = "no listening line (got '" + line + "'); stderr: " + ReadAll(err_path);
            Stop(SIGKILL);
            return false;
        }
        address_ = line.substr(listening.size(), line.size() - listening.size() - 1);
        return true;
    }
    bool running() const { return pid_ > 0; }
    // "tcp://127.0.0.1:PORT" as the program printed it.
    const std::string& address() const { return address_; }
    // Sends `signal` and reaps the program: its exit status, or -1 when a
    // signal ended it (or it was not running).
    int Stop(int signal = SIGTERM) {
        const int status = Reap(pid_, signal);
        pid_ = -1;
        return status;
    }

  private:
    pid_t pid_ = -1;
    std::string address_;
};

}  // namespace quorvex::testing
