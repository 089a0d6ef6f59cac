// Dialog 1006 "Target Type": which core a new "GUI Instance" addresses.
#include "resources/ModuleResources.h"
#include "resources/resource.h"

using quorvex::framework::ControlKind;
using quorvex::framework::DialogTemplate;
using quorvex::framework::kFirstOfGroup;
using quorvex::framework::kNoControlId;
using quorvex::framework::kTabStop;

DialogTemplate TargetTypeDialogTemplate() {
    DialogTemplate dialog;
    dialog.id = IDD_TARGET_TYPE;
    dialog.caption = "Target Type";
    dialog.width = 129;
    dialog.height = 81;
    dialog.system_menu = false;  // no close box: only OK or Escape end it
    dialog.controls = {
        {kNoControlId, "Select the Target Type:", ControlKind::kGroupBox, 0, 7, 7, 115, 46},
        {IDC_RADIO_COMMUNICATION_CORE, "Communication Core", ControlKind::kRadioButton,
         kFirstOfGroup | kTabStop, 16, 21, 81, 10},
        {IDC_RADIO_APPLICATION_CORE, "Application Core", ControlKind::kRadioButton, 0, 16, 36, 67,
         10},
        {1, "OK", ControlKind::kDefPushButton, 0, 39, 60, 50, 14},
    };
    return dialog;
}
