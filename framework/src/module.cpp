// The resource-module chain and extension-module registration.
#include "framework/module.h"

#include <algorithm>
#include <mutex>

#include "platform/module.h"

IMPLEMENT_DYNAMIC(CDynLinkLibrary, CCmdTarget)

namespace {

struct Chain {
    std::mutex mutex;
    std::vector<CDynLinkLibrary*> libraries;  // newest first
    HINSTANCE resource = nullptr;
};

Chain& TheChain() {
    static auto* chain = new Chain;  // outlives libraries that leave it at unload
    return *chain;
}

void Join(CDynLinkLibrary* library) {
    Chain& chain = TheChain();
    std::lock_guard<std::mutex> lock(chain.mutex);
    chain.libraries.insert(chain.libraries.begin(), library);
}

}  // namespace

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule) {
    if (!hModule) return FALSE;
    if (state.bInitialized && state.hModule == hModule) return TRUE;
    state.bInitialized = TRUE;
    state.hModule = hModule;
    state.hResource = hModule;
    state.pFirstSharedClass = nullptr;
    state.pFirstSharedFactory = nullptr;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll) {
    std::vector<CDynLinkLibrary*> leaving;
    {
        Chain& chain = TheChain();
        std::lock_guard<std::mutex> lock(chain.mutex);
        for (CDynLinkLibrary* library : chain.libraries) {
            if (bAll || library->m_hModule == state.hModule) leaving.push_back(library);
        }
    }
    for (CDynLinkLibrary* library : leaving) delete library;  // each leaves the chain itself
    state.bInitialized = FALSE;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem) {
    Join(this);
}

CDynLinkLibrary::CDynLinkLibrary(HINSTANCE hModule, HINSTANCE hResource)
    : m_hModule(hModule), m_hResource(hResource), m_bSystem(FALSE) {
    Join(this);
}

CDynLinkLibrary::~CDynLinkLibrary() {
    Chain& chain = TheChain();
    std::lock_guard<std::mutex> lock(chain.mutex);
    chain.libraries.erase(std::remove(chain.libraries.begin(), chain.libraries.end(), this),
                          chain.libraries.end());
}

HINSTANCE AfxGetInstanceHandle() {
    return GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle() {
    Chain& chain = TheChain();
    {
        std::lock_guard<std::mutex> lock(chain.mutex);
        if (chain.resource) return chain.resource;
    }
    return AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstResource) {
    Chain& chain = TheChain();
    std::lock_guard<std::mutex> lock(chain.mutex);
    chain.resource = hInstResource;
}

LPCSTR AfxGetAppName() {
    return "Quorvex";
}

namespace quorvex::framework {

std::vector<ExtensionModuleEntry> ExtensionModuleChain() {
    Chain& chain = TheChain();
    std::lock_guard<std::mutex> lock(chain.mutex);
    std::vector<ExtensionModuleEntry> out;
    for (const CDynLinkLibrary* library : chain.libraries) {
        out.push_back({library->m_hModule, library->m_hResource});
    }
    return out;
}

std::vector<HINSTANCE> ResourceSearchOrder() {
    std::vector<HINSTANCE> order{AfxGetResourceHandle()};
    for (const ExtensionModuleEntry& entry : ExtensionModuleChain())
        order.push_back(entry.resource);
    order.push_back(AfxGetInstanceHandle());
    std::vector<HINSTANCE> unique;
    for (HINSTANCE h : order) {
        if (h && std::find(unique.begin(), unique.end(), h) == unique.end()) unique.push_back(h);
    }
    return unique;
}

}  // namespace quorvex::framework
