// Settings dialog: the store is read when the dialog opens and written only
// on OK; Cancel leaves it untouched.
#include "shell/SettingsDlg.h"

#include "hostlib/hostpaths.h"
#include "resources/resource.h"

namespace {

const char kSection[] = "Quorvex Settings";

// One switch of the store and the member that holds it. The table's order is
// the order of access, both for reading and for writing.
struct Switch {
    const char* key;
    int CSettingsDlg::*member;
};

const Switch kSwitches[] = {
    {"Update Diagnosis Information", &CSettingsDlg::m_bDiagnosisInfo},
    {"Update RTC", &CSettingsDlg::m_bUpdateRTC},
    {"Available Space", &CSettingsDlg::m_bAvailableSpace},
    {"FDI Ver Check", &CSettingsDlg::m_bFdiVerCheck},
    {"Verify After Write", &CSettingsDlg::m_bVerifyAfterWrite},
};

}  // namespace

CSettingsDlg::CSettingsDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CSettingsDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_CHECK_UPDATE_RTC, m_bUpdateRTC);
    DDX_Check(pDX, IDC_CHECK_DIAGNOSIS_INFO, m_bDiagnosisInfo);
    DDX_Check(pDX, IDC_CHECK_AVAILABLE_SPACE, m_bAvailableSpace);
    DDX_Check(pDX, IDC_CHECK_FDI_VER_CHECK, m_bFdiVerCheck);
    DDX_Check(pDX, IDC_CHECK_VERIFY_AFTER_WRITE, m_bVerifyAfterWrite);
}

BOOL CSettingsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CHostPaths* store = GetHostPaths();
    for (const Switch& s : kSwitches) this->*s.member = store->ReadSettingInt(kSection, s.key, 1);
    UpdateData(FALSE);
    return TRUE;
}

void CSettingsDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    CHostPaths* store = GetHostPaths();
    for (const Switch& s : kSwitches) store->WriteSettingInt(kSection, s.key, this->*s.member);
    EndDialog(IDOK);
}
