// Board control: the target's real-time clock and the board restart.
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const DWORD kExchangeTimeoutMs = 5000;
const WORD kClockBlockSize = 8;
// Newer targets restart through the platform service; older ones only offer
// the watchdog reset of the calibration module.
const char* const kResetCommands[] = {
    "SW_PLAT__CONTROL__restartCmd",
    "Layer1__Calibration__ResetBoardUsingWD",
};
}  // namespace

UE_errCode_t CFlashExplorerData::SetRTC(SYSTEMTIME* time) {
    // Passed through as given: the target does its own range checks and keeps
    // whatever zone the caller chose.
    BYTE block[kClockBlockSize] = {};
    block[0] = static_cast<BYTE>(time->wSecond);
    block[1] = static_cast<BYTE>(time->wMinute);
    block[2] = static_cast<BYTE>(time->wHour);
    block[3] = static_cast<BYTE>(time->wDay);
    block[4] = static_cast<BYTE>(time->wMonth);
    block[5] = 0;
    fdi_bytes::PutU16(block + 6, time->wYear);

    BYTE reply[1] = {};
    CFdiExchange exchange("Diag", "Utils", "SetRTC");
    exchange.SetParameters(block, sizeof(block));
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("Diag__Utils__SetRTC_Success");
    exchange.Expect("Diag__Utils__SetRTC_Failure");
    exchange.Expect("Diag__Utils__RTC_Already_Set");
    // A refused or already set clock is not a failure of the call.
    return exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
}

bool CFlashExplorerData::ResetBoard() {
    for (const char* fullName : kResetCommands) {
        if (!IsCommandAvailable(fullName, false)) continue;
        CString service;
        CString module;
        CString name;
        SplitCommandName(fullName, service, module, name);
        CFdiExchange exchange(service, module, name);
        // The board goes down at once, so no answer is awaited.
        exchange.Post(m_pCommandLink, m_nTargetType);
        return true;
    }
    return false;
}
