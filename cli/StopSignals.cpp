// Signal handling of the quorvex host.
#include "StopSignals.h"

#include <atomic>
#include <csignal>

#include "quorvex/FlashExplorerData.h"

namespace quorvex::cli {
namespace {

volatile std::sig_atomic_t g_stop = 0;
std::atomic<CFlashExplorerData*> g_target{nullptr};
static_assert(std::atomic<CFlashExplorerData*>::is_always_lock_free, "read from a handler");

void OnStopSignal(int signal) {
    g_stop = 1;
    CFlashExplorerData* flash = g_target.load();
    if (flash != nullptr) flash->RequestStop();  // one atomic store: signal-safe
    std::signal(signal, SIG_DFL);
}

}  // namespace

void CatchStopSignals() {
    for (int s : {SIGINT, SIGTERM}) std::signal(s, OnStopSignal);
#ifdef SIGHUP  // not on Windows, where closing the console ends the process
    std::signal(SIGHUP, OnStopSignal);
#endif
}

void SetStopTarget(CFlashExplorerData* flash) {
    g_target.store(flash);
    // A signal that came before the transfer began is not lost: the module
    // clears its flag when a transfer starts, so the host checks its own.
}

bool StopRequested() {
    return g_stop != 0;
}

}  // namespace quorvex::cli
