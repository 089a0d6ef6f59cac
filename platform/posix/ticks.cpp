// Wall-clock and tick-count queries, with the replaceable tick source.
#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>

#include "platform/time.h"

namespace {

std::mutex g_source_mutex;
std::function<ULONGLONG()> g_source;
// Set while a source is installed: every posted message reads the tick
// count, so the usual case (the steady clock) takes no lock.
std::atomic<bool> g_has_source{false};

ULONGLONG SteadyMilliseconds() {
    using namespace std::chrono;
    return static_cast<ULONGLONG>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Fill(LPSYSTEMTIME out, const std::tm& tm, long milliseconds) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(milliseconds);
}

template <typename Convert>
void Now(LPSYSTEMTIME out, Convert convert) {
    if (out == nullptr) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    convert(&ts.tv_sec, &tm);
    Fill(out, tm, ts.tv_nsec / 1000000);
}

}  // namespace

void GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    Now(lpSystemTime, gmtime_r);
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    Now(lpSystemTime, localtime_r);
}

ULONGLONG GetTickCount64() {
    if (!g_has_source.load(std::memory_order_acquire)) return SteadyMilliseconds();
    std::function<ULONGLONG()> source;
    {
        std::lock_guard<std::mutex> lock(g_source_mutex);
        source = g_source;
    }
    return source ? source() : SteadyMilliseconds();
}

DWORD GetTickCount() {
    return static_cast<DWORD>(GetTickCount64());
}

namespace quorvex::platform {

void SetTickSource(std::function<ULONGLONG()> source) {
    std::lock_guard<std::mutex> lock(g_source_mutex);
    g_source = std::move(source);
    g_has_source.store(static_cast<bool>(g_source), std::memory_order_release);
}

void ManualTickSource::Install() {
    SetTickSource([this] { return Now(); });
}

}  // namespace quorvex::platform
