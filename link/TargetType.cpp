// Target side, FDI version and the root path derived from them.
#include "hostlib/trace.h"
#include "link/Exchange.h"
#include "quorvex/FlashExplorerData.h"

namespace {
const DWORD kExchangeTimeoutMs = 5000;
const WORD kVersionReplySize = 50;
const int kOsNotAsked = 0;  // printed in the root-path trace when the OS was not asked

enum eTargetOs { OS_RTOS = 1, OS_WINDOWS = 2, OS_LINUX = 3 };
}  // namespace

void CFlashExplorerData::SetTargetType(eTargetType type) {
    m_nTargetType = type;
    if (!IsLinkAvailable()) return;
    if (type != TARGET_TYPE_CP) {
        if (m_bExtendedMode) {
            CFdiExchange exchange("FDI", "Transport", "ExtendedMode");
            exchange.Post(m_pCommandLink, TARGET_TYPE_AP);  // always the application side
        }
        TraceText("NVM: set AP\n");
    } else {
        TraceText("NVM: set CP\n");
    }
    GetFdiVersion();
}

eTargetType CFlashExplorerData::GetTargetType() {
    return m_nTargetType;
}

void CFlashExplorerData::SetActiveDevice(CZENTOMessage::eDirection direction) {
    m_pCommandLink->SetDirectionMask(direction);
    m_pCommandLink->SetDirection(direction);
}

UE_errCode_t CFlashExplorerData::GetFdiVersion() {
    BYTE reply[kVersionReplySize] = {};
    CFdiExchange exchange("FDI", "Transport", "GetFdiVersion");
    exchange.SetReplyBuffer(reply, sizeof(reply));
    exchange.Expect("FDI__Transport__FDI5");
    exchange.Expect("FDI__Transport__FDI6");
    exchange.Expect("FDI__Transport__FDI7");
    exchange.Expect("FDI__Transport__FDI71");
    const int result = exchange.Execute(m_pCommandLink, m_nTargetType, kExchangeTimeoutMs);
    m_bExtendedMode = 0;
    if (result == 0) {
        CString& version = m_nTargetType == TARGET_TYPE_CP ? m_strFdiVersionCp : m_strFdiVersionAp;
        if (exchange.ReplyIs("FDI71")) {
            version = "FDI71";
        } else if (exchange.ReplyIs("FDI7")) {
            version = "FDI7";
        } else if (exchange.ReplyIs("FDI6")) {
            version = "FDI6";
        } else {
            version = "FDI5";
        }
        if (m_nTargetType != TARGET_TYPE_CP) {
            m_bExtendedMode = IsCommandAvailable("FDI__Transport__ExtendedMode", false);
        }
        BuildRootPath();
    }
    return result;
}

CString& CFlashExplorerData::GetCurrentFdiVersion() {
    return m_nTargetType == TARGET_TYPE_CP ? m_strFdiVersionCp : m_strFdiVersionAp;
}

UE_errCode_t CFlashExplorerData::BuildRootPath() {
    const CString version = GetCurrentFdiVersion();
    UE_errCode_t result = 0;
    int os = kOsNotAsked;
    if (m_bExtendedMode && m_nTargetType == TARGET_TYPE_AP) {
        os = m_pCommandLink->GetTargetOsType(1);
        switch (os) {
            case OS_RTOS:
                m_strVolumeAndPath = "/RTOS/Vendrix/NVM/";
                break;
            case OS_WINDOWS:
                m_strVolumeAndPath = "/Windows/Vendrix/NVM/";
                break;
            case OS_LINUX:
                m_strVolumeAndPath = "/data/Linux/Vendrix/NVM/";
                break;
            default:
                break;  // an unknown system keeps the previous path
        }
    } else if (version == "FDI5") {
        m_strVolumeAndPath = "";
    } else if (version == "FDI6") {
        m_strVolumeAndPath = "dfm/";
    } else if (version == "FDI7") {
        m_strVolumeAndPath = "";
    } else if (version == "FDI71") {
        m_strVolumeAndPath = "mfm/";
    } else {
        m_strVolumeAndPath = "";
        result = 4;
    }
    CString line;
    line.Format("NVM:\tT%d\tE%d\tO%d\troot=\t", static_cast<int>(m_nTargetType),
                m_bExtendedMode ? 1 : 0, os);
    line += m_strVolumeAndPath;
    line += "\tFDIV=\t";
    line += version;
    line += "\n";
    TraceString(line);
    return result;
}
