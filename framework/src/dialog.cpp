// CWnd control access, data exchange and modal dialogs.
#include "framework/dialog.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)
IMPLEMENT_DYNAMIC(CDialog, CWnd)

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    if (!m_pControls) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
    if (m_pControls) m_pControls->SetCheck(nIDButton, static_cast<int>(nCheck));
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
    return m_pControls ? static_cast<UINT>(m_pControls->GetCheck(nIDButton)) : 0;
}

void CWnd::CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    if (!m_pControls) return;
    for (const auto& c : m_pControls->dialog_template().controls) {
        if (c.kind == quorvex::framework::ControlKind::kRadioButton && c.id >= nIDFirstButton &&
            c.id <= nIDLastButton) {
            m_pControls->SetCheck(c.id, c.id == nIDCheckButton ? 1 : 0);
        }
    }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    quorvex::framework::DialogControls* controls =
        pDX && pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetDialogControls() : nullptr;
    if (!controls) return;
    const std::vector<int> group = controls->RadioGroupFrom(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (controls->GetCheck(group[i]) != 0) value = static_cast<int>(i);
        }
    } else {
        for (std::size_t i = 0; i < group.size(); ++i) {
            controls->SetCheck(group[i], static_cast<int>(i) == value ? 1 : 0);
        }
    }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    quorvex::framework::DialogControls* controls =
        pDX && pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetDialogControls() : nullptr;
    if (!controls) return;
    if (pDX->m_bSaveAndValidate) {
        value = controls->GetCheck(nIDC);
    } else {
        controls->SetCheck(nIDC, (value >= 0 && value <= 2) ? value : 0);
    }
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

namespace {

// Detaches the controls from the dialog however DoModal is left.
class ShownDialog {
  public:
    ShownDialog(HWND& hwnd, quorvex::framework::DialogControls*& slot,
                quorvex::framework::DialogControls* controls)
        : hwnd_(hwnd), slot_(slot) {
        slot_ = controls;
        hwnd_ = reinterpret_cast<HWND>(controls);
    }
    ~ShownDialog() {
        slot_ = nullptr;
        hwnd_ = nullptr;
    }
    ShownDialog(const ShownDialog&) = delete;
    ShownDialog& operator=(const ShownDialog&) = delete;

  private:
    HWND& hwnd_;
    quorvex::framework::DialogControls*& slot_;
};

}  // namespace

INT_PTR CDialog::DoModal() {
    quorvex::framework::DialogTemplate tmpl;
    if (!quorvex::framework::LoadDialogTemplate(m_nIDTemplate, &tmpl)) return -1;
    quorvex::framework::DialogPresenter* presenter = quorvex::framework::GetDialogPresenter();
    if (!presenter) return -1;

    quorvex::framework::DialogControls controls(tmpl);
    ShownDialog shown(m_hWnd, m_pControls, &controls);
    m_nModalResult = -1;
    m_bEnded = false;
    OnInitDialog();
    while (!m_bEnded) {
        const INT_PTR answer = presenter->Run(*this, tmpl, controls);
        if (answer == IDOK) {
            OnOK();
        } else if (answer == IDCANCEL) {
            OnCancel();
        } else {
            EndDialog(static_cast<int>(answer));
        }
    }
    return m_nModalResult;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = true;
}
