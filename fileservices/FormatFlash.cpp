// Formatting a flash volume: a size-scaled time-out, a progress range and a
// timer that keeps the notify window ticking while the target formats.
#include <algorithm>
#include <cstring>

#include "fileservices/ResultCodes.h"
#include "link/Exchange.h"
#include "platform/messages.h"
#include "quorvex/FlashExplorerData.h"
#include "quorvex/QuorvexManager.h"

namespace {
const std::size_t kVolumeFieldSize = 4;
// One step of the volume: the unit of both the time-out and the progress range,
// and the size assumed when the target cannot tell its own.
const std::uint64_t kSizeStep = 655360;
const DWORD kTimePerStepMs = 6000;
const std::int32_t kMinTimeoutMs = 5000;
const DWORD kProgressPerStep = 50000;
const UINT_PTR kFormatTimerId = 1;

// The target reads only the first four bytes of the name; shorter names are
// zero-padded, longer ones cut without a terminator.
void PutVolumeField(BYTE* field, const CString& volume) {
    std::memset(field, 0, kVolumeFieldSize);
    const std::size_t length =
        std::min(static_cast<std::size_t>(volume.GetLength()), kVolumeFieldSize);
    std::memcpy(field, static_cast<LPCSTR>(volume), length);
}

// Both figures keep the quotient's low 32 bits and 32-bit arithmetic, so a huge
// volume wraps rather than saturates; the signed floor check below catches a
// time-out that wrapped past 2^31.
DWORD StepCount(std::uint64_t size) {
    return static_cast<DWORD>(size / kSizeStep);
}

DWORD FormatTimeoutMs(std::uint64_t size) {
    const DWORD timeout = (StepCount(size) + 1) * kTimePerStepMs;
    if (static_cast<std::int32_t>(timeout) < kMinTimeoutMs) return kMinTimeoutMs;
    return timeout;
}
}  // namespace

UE_errCode_t CFlashExplorerData::FormatFlash() {
    return RunFormat(CQuorvexManager::Instance()->GetFirstPathPart(m_strVolumeAndPath), false);
}

UE_errCode_t CFlashExplorerData::FormatFlash(const CString& volume) {
    return RunFormat(volume, true);
}

UE_errCode_t CFlashExplorerData::RunFormat(const CString& volume, bool volumeForm) {
    BYTE field[kVolumeFieldSize];
    PutVolumeField(field, volume);
    BYTE reply[1] = {};
    CFdiExchange exchange("FDI", "Transport", volumeForm ? "Format_volume" : "Format_Flash");
    exchange.SetParameters(field, sizeof(field));
    exchange.SetReplyBuffer(reply, sizeof(reply));

    std::uint64_t size = kSizeStep;
    if (IsCommandAvailable("FDI__Transport__GetFdiFdvSize", false)) {
        const UE_errCode_t sizeResult = GetFdiFdvSize(size);
        if (sizeResult != 0) return sizeResult;
    }
    const DWORD timeoutMs = FormatTimeoutMs(size);

    if (volumeForm) exchange.Expect("FDI__Transport__Format_Failure_RAM");
    exchange.Expect("FDI__Transport__Format_Success");
    exchange.Expect("FDI__Transport__Format_Error");

    PostProgress(WM_FLASH_PROGRESS_START, StepCount(size) * kProgressPerStep, PROGRESS_KIND_FORMAT);
    const UINT_PTR timer = StartProgressTimer(kFormatTimerId);
    const UE_errCode_t result = exchange.Execute(m_pCommandLink, m_nTargetType, timeoutMs);
    StopProgressTimer(timer);

    // A refused format changed nothing, and the window keeps its progress
    // open so the user sees where it stopped.
    if (result == 0 && (exchange.ReplyIs("Format_Error") ||
                        (volumeForm && exchange.ReplyIs("Format_Failure_RAM")))) {
        return UE_FORMAT_ERROR;
    }
    PostProgress(WM_FLASH_PROGRESS_END, 0, 0);
    // Even a timed-out format may have wiped the volume.
    m_bContentChanged = 1;
    return result;
}
