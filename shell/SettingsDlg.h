// The "Flash Explorer Settings" dialog: edits the five switches kept in the
// host's settings store under "Quorvex Settings".
#pragma once

#include "framework/dialog.h"

class CSettingsDlg : public CDialog {
  public:
    enum { IDD = 8033 };

    explicit CSettingsDlg(CWnd* pParent = nullptr);

    // The switches while the dialog is open, in the order of the check boxes.
    int m_bUpdateRTC = 0;
    int m_bDiagnosisInfo = 1;
    int m_bAvailableSpace = 1;
    int m_bFdiVerCheck = 0;
    int m_bVerifyAfterWrite = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Reads the store (every switch defaults to on) into the check boxes.
    BOOL OnInitDialog() override;
    // Writes the check boxes back to the store, in the order they are read.
    void OnOK() override;
};
