// The plug-in manager singleton and the host entry points. The manager shows
// notices for the windows it does not offer and carries small utilities that
// the flash file services use (size text, path parts, clipboard lists,
// link-device probing).
#pragma once

#include "framework/collections.h"
#include "framework/cstring.h"
#include "framework/object.h"
#include "quorvex/QuorvexExport.h"

class QUORVEX_API CQuorvexManager : public CCmdTarget {
    DECLARE_DYNCREATE(CQuorvexManager)

  public:
    static CQuorvexManager* Instance();

    // Destructive reads: each returns the member, then clears it.
    int GetLastOpenedTargetType();
    CString GetLastOpenedFolder();

    // Notices for the windows this module does not offer.
    int RegisterDocTemplate();
    int SaveWorkspace();
    int LoadWorkspace();
    void OnQuorvexSettings();

    // Text utilities.
    bool FormatSizeText(DWORD size, CString& text, bool wholeNumbers);
    CString GetFileNameFromPath(const CString& path);
    CString GetFirstPathPart(const CString& path);

    // Clipboard file lists.
    void CopyFileListToClipboard(CStringList& files);
    bool GetFileListFromClipboard(CStringList& paths, CStringList& names);
    bool SplitFileName(const CString& path, CString& name, CString& error);

    // Link device probing.
    bool FindFreeDevice();
    bool IsDeviceFree(int slot);
    int GetNextFreeDevice(int after);
    int GetFirstFreeDevice();
    int GetDeviceAbsent() const { return m_nDeviceAbsent; }
    void SetDeviceAbsent(int absent) { m_nDeviceAbsent = absent; }

    ~CQuorvexManager() override;

    // Destroys the singleton; called once when the module unloads.
    static void DestroyInstance();

  protected:
    CQuorvexManager();
    DECLARE_MESSAGE_MAP()

  private:
    static CQuorvexManager* s_pInstance;

    int m_nDeviceAbsent = 1;
    int m_nLastOpenedTargetType = 0;
    CString m_strLastOpenedFolder;
};

// Plain entry points the host calls, undecorated.
extern "C" {
QUORVEX_API CQuorvexManager* Init();
QUORVEX_API void Term();
QUORVEX_API void LoadModuleMenu();
QUORVEX_API int CanClose(void* host);
QUORVEX_API int SaveWorkspace(void* host);
QUORVEX_API int LoadWorkspace(void* host);
QUORVEX_API void CloseWorkspace();
QUORVEX_API void CommConnectionFunc(void* host);
QUORVEX_API void QuorvexDbUpdateEvent();
}
