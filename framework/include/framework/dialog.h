// Modal dialogs with data exchange. A dialog is data, not a window: DoModal
// finds its template in the resource chain, keeps the controls' check states,
// and hands it to the installed dialog presenter.
#pragma once

#include "framework/cmdtarget.h"
#include "framework/dialog_presenter.h"
#include "framework/dialog_template.h"
#include "platform/msgbox.h"
#include "platform/wintypes.h"

#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002

class CDataExchange;

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)

  public:
    CWnd() = default;
    ~CWnd() override = default;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Moves data between members and controls through DoDataExchange. FALSE
    // when no controls exist (the dialog is not shown).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    void CheckDlgButton(int nIDButton, UINT nCheck);
    UINT IsDlgButtonChecked(int nIDButton) const;
    // Checks nIDCheckButton and clears the other radio buttons whose ids lie
    // in nIDFirstButton..nIDLastButton.
    void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);

    // The control states while the window exists, else null.
    quorvex::framework::DialogControls* GetDialogControls() const { return m_pControls; }

    HWND m_hWnd = nullptr;

  protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    quorvex::framework::DialogControls* m_pControls = nullptr;
};

class CDataExchange {
  public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls to members
    CWnd* m_pDlgWnd;
};

// The index of the checked radio button of the group that starts at nIDC
// (-1 when none is checked), or the reverse.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// The check state (0, 1, 2) of check box nIDC, or the reverse; a value
// outside 0..2 checks nothing.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

  public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override = default;

    // IDOK, IDCANCEL or EndDialog's value; -1 when the template is in no
    // resource module of the chain or no presenter can show the dialog.
    virtual INT_PTR DoModal();
    // Returns TRUE: the framework is to set the focus.
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult);
    UINT GetTemplateId() const { return m_nIDTemplate; }
    CWnd* GetParent() const { return m_pParentWnd; }
    // OK takes the controls into the members and ends with IDOK (it stays open
    // when UpdateData fails); Cancel ends with IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();

  private:
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    INT_PTR m_nModalResult = -1;
    bool m_bEnded = false;
};
