// The plain entry points the host calls; each passes through the manager.
#include "quorvex/QuorvexManager.h"

extern "C" {

CQuorvexManager* Init() {
    return CQuorvexManager::Instance();
}

void Term() {
    CQuorvexManager::Instance();
}

void LoadModuleMenu() {
    CQuorvexManager::Instance()->RegisterDocTemplate();
}

int CanClose(void*) {
    CQuorvexManager::Instance();
    return 1;
}

int SaveWorkspace(void*) {
    return CQuorvexManager::Instance()->SaveWorkspace();
}

int LoadWorkspace(void*) {
    return CQuorvexManager::Instance()->LoadWorkspace();
}

void CloseWorkspace() {
    CQuorvexManager::Instance();
}

// Connection changes need nothing from this module; not even the manager is made.
void CommConnectionFunc(void*) {}

void QuorvexDbUpdateEvent() {
    CQuorvexManager::Instance();
}

}  // extern "C"
