// Extension modules and the resource-module chain: where dialog templates are
// looked up. The current resource module is searched first, then every
// extension library (newest first), then the program itself.
#pragma once

#include <vector>

#include "framework/object.h"
#include "platform/wintypes.h"

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
    CRuntimeClass* pFirstSharedClass;
    void* pFirstSharedFactory;
};

// FALSE for a null module handle; otherwise records the module as its own
// resource module. Calling it again for an initialised module is harmless.
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
// Deletes the chain's libraries of this module (every library when bAll);
// they must have been created with new, as extension modules do.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);

// Membership of one module in the resource chain, from construction to
// destruction.
class CDynLinkLibrary : public CCmdTarget {
    DECLARE_DYNAMIC(CDynLinkLibrary)

  public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
    CDynLinkLibrary(HINSTANCE hModule, HINSTANCE hResource);
    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;
    ~CDynLinkLibrary() override;

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;
};

// The program's module handle.
HINSTANCE AfxGetInstanceHandle();
// The module searched first for resources; the program until set.
HINSTANCE AfxGetResourceHandle();
// A null handle makes the program current again.
void AfxSetResourceHandle(HINSTANCE hInstResource);
// The application's name, used as the caption of its message boxes.
LPCSTR AfxGetAppName();

namespace quorvex::framework {

struct ExtensionModuleEntry {
    HINSTANCE module;
    HINSTANCE resource;
};

// The extension libraries of the chain, newest first.
std::vector<ExtensionModuleEntry> ExtensionModuleChain();
// The resource modules in the order a lookup tries them, without repeats.
std::vector<HINSTANCE> ResourceSearchOrder();

}  // namespace quorvex::framework
