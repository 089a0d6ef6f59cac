// Module load and unload. The module-lifetime objects are made in this order
// at load and end in reverse at unload: the registry's holder, the instance
// map, the manager's holder; then the module joins the framework's resource
// chain as an extension module, and leaves it first at unload.
#include <cstdio>

#include "framework/module.h"
#include "platform/module.h"
#include "quorvex/QuorvexManager.h"
#include "resources/ModuleResources.h"
#include "shell/FlashExplorerManager.h"

namespace {

struct RegistryHolder {
    ~RegistryHolder() { CFlashExplorerManager::DestroySingleton(); }
};

struct InstanceMapHolder {
    // Objects still registered are not destroyed: only the map's storage goes.
    ~InstanceMapHolder() { CFlashExplorerManager::ReleaseInstanceMap(); }
    CFlashInstanceMap map{10};
};

struct ManagerHolder {
    ~ManagerHolder() { CQuorvexManager::DestroyInstance(); }
};

AFX_EXTENSION_MODULE g_extensionModule = {};

struct ModuleEntry {
    ModuleEntry() {
        HMODULE self = quorvex::platform::ModuleFromAddress(reinterpret_cast<const void*>(&Init));
        if (!AfxInitExtensionModule(g_extensionModule, self)) {
            std::fprintf(stderr, "Quorvex: the module could not join the resource chain\n");
            return;
        }
        RegisterModuleResources(self);
        library = new CDynLinkLibrary(g_extensionModule);
    }
    ~ModuleEntry() {
        delete library;
        AfxTermExtensionModule(g_extensionModule);
    }
    CDynLinkLibrary* library = nullptr;
};

RegistryHolder g_registryHolder;
InstanceMapHolder g_instanceMap;
ManagerHolder g_managerHolder;
ModuleEntry g_moduleEntry;

}  // namespace

CFlashInstanceMap& FlashInstanceMap() {
    return g_instanceMap.map;
}
