// quorvex-target: the simulated two-core target served on a TCP or Unix
// socket, so that hosts in other processes (quorvex, tests, scripts) can reach
// it. Runs until SIGINT or SIGTERM.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "TargetFlags.h"
#include "cmdlib/SocketServer.h"
#include "target/FaultInjectingAgent.h"
#include "target/Simulator.h"

namespace {

const int kUsage = 64;
const int kFailure = 1;

// The handler may run on any thread at any time, so it reads the server
// through a lock-free atomic.
std::atomic<quorvex::link::SocketServer*> g_server{nullptr};
static_assert(std::atomic<quorvex::link::SocketServer*>::is_always_lock_free);

void OnStopSignal(int) {
    quorvex::link::SocketServer* server = g_server.load();
    if (server != nullptr) server->RequestStop();
}

// glibc's signal() keeps the handler and restarts interrupted calls; the
// Windows runtime calls it once, which is all a stop needs.
bool InstallStopHandlers() {
    bool ok = std::signal(SIGINT, OnStopSignal) != SIG_ERR &&
              std::signal(SIGTERM, OnStopSignal) != SIG_ERR;
#ifdef SIGPIPE  // Windows has no SIGPIPE: its sockets never raise one
    // A host that vanishes mid-write must cost one connection, not the server.
    ok = ok && std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
#endif
    return ok;
}

int Complain(int status, const std::string& line) {
    std::fprintf(stderr, "quorvex-target: %s%s\n", line.c_str(),
                 status == kUsage ? " (see quorvex-target --help)" : "");
    return status;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Every file written allocates and frees the image's pages and their
    // change journal by the megabyte. Handing that memory back to the system
    // after each commit, only to have it cleared and faulted in again by the
    // next one, cost more than storing the data itself.
    // The connections' threads would each get an arena of their own, whose
    // heaps are unmapped whenever they empty and then regrown a page at a
    // time: one arena keeps the memory, and grows by 16 MiB at once.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TOP_PAD, 16 << 20);
#endif
    using quorvex::target_server::FlagsOutcome;
    quorvex::target_server::TargetSettings settings;
    std::string error;
    switch (quorvex::target_server::ParseTargetFlags(argc, argv, &settings, &error)) {
        case FlagsOutcome::kHelp:
            std::fputs(quorvex::target_server::TargetHelpText(), stdout);
            return 0;
        case FlagsOutcome::kUsageError:
            return Complain(kUsage, error);
        case FlagsOutcome::kRun:
            break;
    }
    const std::string problem = quorvex::sim::ValidateConfig(settings.config);
    if (!problem.empty()) return Complain(kUsage, problem);

    const auto log = [](const std::string& line) {
        std::fprintf(stderr, "quorvex-target: %s\n", line.c_str());
    };
    // Report faults are counted per connection, so each connection gets its
    // own injecting agent around the one simulated target.
    const quorvex::sim::FaultConfig faults = settings.config.faults;
    settings.config.faults = {};
    settings.config.log = log;
    std::shared_ptr<quorvex::link::TargetAgent> agent =
        quorvex::sim::MakeTargetAgent(settings.config, &error);
    if (!agent) return Complain(kFailure, error);

    quorvex::link::ServerOptions options;
    options.max_connections = settings.max_connections;
    options.idle_timeout_ms = settings.idle_timeout_s * 1000;
    options.log = log;
    if (faults.Any()) {
        auto ledger = std::make_shared<quorvex::sim::DropLedger>();
        options.connection_agent = [faults, ledger](std::shared_ptr<quorvex::link::TargetAgent> sim)
            -> std::unique_ptr<quorvex::link::TargetAgent> {
            return std::make_unique<quorvex::sim::FaultInjectingAgent>(std::move(sim), faults,
                                                                       ledger);
        };
    }
    quorvex::link::SocketServer server(std::move(agent), options);
    server.SetFaults(settings.frame_faults);
    g_server.store(&server);
    if (!InstallStopHandlers()) {
        g_server.store(nullptr);
        return Complain(kFailure, "cannot install the SIGINT and SIGTERM handlers");
    }
    if (!server.Start(settings.listen, &error)) {
        g_server.store(nullptr);
        return Complain(kFailure, error);
    }
    std::printf("listening on %s\n", server.address().c_str());
    std::fflush(stdout);

    server.Wait();
    // A late signal must not reach a server that is gone.
    g_server.store(nullptr);
    return 0;
}
