// Data exchange of the "Target Type" dialog.
#include "shell/TargetDlg.h"

CTargetDlg::CTargetDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CTargetDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_RADIO_COMMUNICATION, m_nTarget);
}
