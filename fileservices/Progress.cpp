// Progress notifications: only the "GUI Instance" posts them; the timers of
// removal and format run for every instance.
#include "platform/messages.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const char kGuiInstanceName[] = "GUI Instance";
const UINT kProgressTimerPeriodMs = 30;
}  // namespace

bool CFlashExplorerData::IsGuiInstance() {
    return m_strInstanceName == kGuiInstanceName;
}

void CFlashExplorerData::PostProgress(UINT message, WPARAM wParam, LPARAM lParam) {
    // Posted, never sent, and the window is not tested first: a null window
    // means the calling thread's own queue.
    if (IsGuiInstance()) PostMessageA(m_hNotifyWnd, message, wParam, lParam);
}

UINT_PTR CFlashExplorerData::StartProgressTimer(UINT_PTR id) {
    return SetTimer(m_hNotifyWnd, id, kProgressTimerPeriodMs, nullptr);
}

void CFlashExplorerData::StopProgressTimer(UINT_PTR id) {
    KillTimer(m_hNotifyWnd, id);
}
