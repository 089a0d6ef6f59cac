// Construction and destruction of the flash data object, and its small
// accessors: the object owns its command link, its ready event and its listing.
#include "quorvex/FlashExplorerData.h"

#include "hostlib/hostpaths.h"
#include "hostlib/trace.h"
#include "platform/files.h"
#include "platform/sync.h"

namespace {
const DWORD kDirectionMaskAllDevices = 0x7FE;  // devices 0 to 9: bits 1 to 10
const int kLinkConfiguration = 1000;
}  // namespace

CFlashExplorerData::CFlashExplorerData() : m_fileList(10) {
    m_pCommandLink = new CCommandLink();
    // A constructor that throws gets no destructor run: what it made so far is
    // released here before the exception goes on.
    try {
        m_pCommandLink->SetDirectionMask(
            static_cast<CZENTOMessage::eDirection>(kDirectionMaskAllDevices));
        m_nTargetType = TARGET_TYPE_NOT_SET;
        EnsureTempFolder();
        m_hNotifyWnd = nullptr;
        m_hReadyEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_nAvailableSpace = 0;
        SetEvent(m_hReadyEvent);
        m_pCommandLink->ConfigureLink(kLinkConfiguration);
        m_strFdiVersionCp = "FDI5";
        m_strFdiVersionAp = "FDI5";
        std::int32_t unused1 = 0;
        std::int32_t unused2 = 0;
        // The application side is asked directly: the side is not known yet.
        m_bExtendedMode = FindCommandAp("FDI__Transport__ExtendedMode", &unused1, &unused2, false);
        TraceText(m_nTargetType == TARGET_TYPE_CP ? "NVM: init CP\n" : "NVM: init AP\n");
    } catch (...) {
        DeleteAllObjects();
        if (m_hReadyEvent != nullptr) CloseHandle(m_hReadyEvent);
        throw;
    }
}

CFlashExplorerData::~CFlashExplorerData() {
    DeleteAllObjects();
    CloseHandle(m_hReadyEvent);
    m_hNotifyWnd = nullptr;
    TraceText(m_nTargetType == TARGET_TYPE_CP ? "NVM: exit CP\n" : "NVM: exit AP\n");
}

void CFlashExplorerData::DeleteAllObjects() {
    if (m_pCommandLink != nullptr) delete m_pCommandLink;
    m_pCommandLink = nullptr;
}

void CFlashExplorerData::EnsureTempFolder() {
    CString folder = GetHostPaths()->GetHostFolder() + "\\Temp\\";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder, &found);
    if (search == INVALID_HANDLE_VALUE) {
        CreateDirectoryA(folder, nullptr);  // failures are ignored
    } else {
        FindClose(search);
    }
}

void CFlashExplorerData::SignalReadyEvent() {
    SetEvent(m_hReadyEvent);
}

void CFlashExplorerData::SelectDevice(int index) {
    m_nDeviceIndex = index;
    // Device 0 is bit 1, so the constructor's mask 0x7FE covers devices 0 to 9.
    // An index whose bit does not exist in the 32-bit mask selects no device.
    const DWORD mask = (index >= -1 && index < 31) ? (1u << (index + 1)) : 0u;
    SetActiveDevice(static_cast<CZENTOMessage::eDirection>(mask));
}
