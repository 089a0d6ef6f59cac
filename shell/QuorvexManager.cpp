// The plug-in manager singleton: notices for the windows the module does not
// offer, and the destructive reads of the last opened target and folder.
#include "quorvex/QuorvexManager.h"

#include "framework/msgbox.h"

IMPLEMENT_DYNCREATE(CQuorvexManager, CCmdTarget)

BEGIN_MESSAGE_MAP(CQuorvexManager, CCmdTarget)
END_MESSAGE_MAP()

CQuorvexManager* CQuorvexManager::s_pInstance = nullptr;

CQuorvexManager::CQuorvexManager() = default;

CQuorvexManager::~CQuorvexManager() {
    if (s_pInstance == this) s_pInstance = nullptr;
}

CQuorvexManager* CQuorvexManager::Instance() {
    if (s_pInstance == nullptr) s_pInstance = new CQuorvexManager();
    return s_pInstance;
}

void CQuorvexManager::DestroyInstance() {
    delete s_pInstance;
}

int CQuorvexManager::GetLastOpenedTargetType() {
    const int type = m_nLastOpenedTargetType;
    m_nLastOpenedTargetType = 0;
    return type;
}

CString CQuorvexManager::GetLastOpenedFolder() {
    CString folder = m_strLastOpenedFolder;
    m_strLastOpenedFolder.Empty();
    return folder;
}

int CQuorvexManager::RegisterDocTemplate() {
    AfxMessageBox("CQuorvexManager::RegisterDocTemplate() : BCG UI disabled in XNB.", MB_OK, 0);
    return 0;
}

int CQuorvexManager::SaveWorkspace() {
    AfxMessageBox("CQuorvexManager::SaveWorkspace() : BCG UI disabled in XNB.", MB_OK, 0);
    return 0;
}

int CQuorvexManager::LoadWorkspace() {
    // The host must not rely on this result: it is what the box answered.
    return AfxMessageBox("CQuorvexManager::LoadWorkspace() : BCG UI disabled in XNB.", MB_OK, 0);
}

void CQuorvexManager::OnQuorvexSettings() {
    AfxMessageBox(" CQuorvexManager::OnQuorvexSettings() : BCG UI disabled in XNB.", MB_OK, 0);
}
