// The "Target Type" dialog: which core the "GUI Instance" addresses.
#pragma once

#include "framework/dialog.h"

class CTargetDlg : public CDialog {
  public:
    enum { IDD = 1006 };
    enum { IDC_RADIO_COMMUNICATION = 1031, IDC_RADIO_APPLICATION = 1032 };

    explicit CTargetDlg(CWnd* pParent = nullptr);

    // Index of the selected radio button: 0 communication core, 1 application core.
    int m_nTarget = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
