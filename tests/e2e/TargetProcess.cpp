// Child-process helpers for the tests that run quorvex-target.
#include "TargetProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quorvex::testing {
namespace {

const char kListening[] = "listening on ";
// Only bounds a broken program; a healthy one prints its line at once.
const int kStartBoundMs = 20000;

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Forks and runs the program with stdin from /dev/null, stdout to `out_fd`
// and stderr to the file `err_path`. Only async-signal-safe calls happen
// between fork and exec.
pid_t Spawn(const std::vector<char*>& argv, int out_fd, const std::string& err_path) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int in = open("/dev/null", O_RDONLY);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out_fd, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
}

int ExitStatus(int raw) {
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TargetProcess::~TargetProcess() {
    if (pid_ > 0) Stop(SIGKILL);
}

bool TargetProcess::Start(const std::string& program, const std::vector<std::string>& args,
                          const std::string& stderr_path, std::string* error) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) {
        *error = "pipe failed";
        return false;
    }
    pid_ = Spawn(Argv(program, args), pipe_fds[1], stderr_path);
    close(pipe_fds[1]);
    std::string line;
    char c = 0;
    pollfd readable{pipe_fds[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&readable, 1, kStartBoundMs) == 1 &&
           read(pipe_fds[0], &c, 1) == 1) {
        line += c;
    }
    close(pipe_fds[0]);
    if (pid_ < 0 || line.rfind(kListening, 0) != 0 || line.back() != '\n') {
        *error = "no listening line (got '" + line + "'); stderr: " + ReadAll(stderr_path);
        Stop(SIGKILL);
        return false;
    }
    address_ = line.substr(sizeof(kListening) - 1, line.size() - sizeof(kListening));
    return true;
}

int TargetProcess::Stop(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int raw = 0;
    const pid_t reaped = waitpid(pid_, &raw, 0);
    pid_ = -1;
    return reaped > 0 ? ExitStatus(raw) : -1;
}

int RunToEnd(const std::string& program, const std::vector<std::string>& args, std::string* out,
             std::string* err) {
    char pattern[] = "/tmp/quorvex-run-XXXXXX";
    const int out_fd = mkstemp(pattern);
    const std::string out_path = pattern, err_path = out_path + ".err";
    const pid_t pid = Spawn(Argv(program, args), out_fd, err_path);
    close(out_fd);
    int raw = 0;
    const bool reaped = pid > 0 && waitpid(pid, &raw, 0) == pid;
    *out = ReadAll(out_path);
    *err = ReadAll(err_path);
    std::remove(out_path.c_str());
    std::remove(err_path.c_str());
    return reaped ? ExitStatus(raw) : -1;
}

}  // namespace quorvex::testing
