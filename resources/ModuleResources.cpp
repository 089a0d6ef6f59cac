// Registration of the module's dialog templates.
#include "resources/ModuleResources.h"

void RegisterModuleResources(HINSTANCE module) {
    quorvex::framework::RegisterDialogTemplate(module, TargetTypeDialogTemplate());
    quorvex::framework::RegisterDialogTemplate(module, SettingsDialogTemplate());
}
