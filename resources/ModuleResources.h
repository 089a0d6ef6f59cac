// The module's dialog resources as tables the framework's dialog presenters
// can show; registered under the module's own handle when it loads.
#pragma once

#include "framework/dialog_template.h"
#include "platform/wintypes.h"

quorvex::framework::DialogTemplate TargetTypeDialogTemplate();
quorvex::framework::DialogTemplate SettingsDialogTemplate();

// Registers every dialog template of the module under `module`.
void RegisterModuleResources(HINSTANCE module);
