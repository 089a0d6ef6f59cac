// Dialog 8033 "Flash Explorer Settings": the five switches of the settings store.
#include "resources/ModuleResources.h"
#include "resources/resource.h"

using quorvex::framework::ControlKind;
using quorvex::framework::DialogTemplate;
using quorvex::framework::kNoControlId;
using quorvex::framework::kTabStop;

DialogTemplate SettingsDialogTemplate() {
    DialogTemplate dialog;
    dialog.id = IDD_SETTINGS;
    dialog.caption = "Flash Explorer Settings";
    dialog.width = 233;
    dialog.height = 148;
    dialog.system_menu = true;
    dialog.controls = {
        {kNoControlId, "Settings:", ControlKind::kGroupBox, 0, 7, 7, 219, 109},
        {IDC_CHECK_UPDATE_RTC, "Set Real Time Clock (RTC) for each connection to target.",
         ControlKind::kCheckBox, kTabStop, 15, 20, 199, 10},
        {IDC_CHECK_DIAGNOSIS_INFO, "Send diagnostic information to Output window.",
         ControlKind::kCheckBox, kTabStop, 15, 39, 162, 10},
        {IDC_CHECK_AVAILABLE_SPACE, "Update available space on flash after each file transfer.",
         ControlKind::kCheckBox, kTabStop, 15, 58, 190, 10},
        {IDC_CHECK_FDI_VER_CHECK, "Check FDI SW version on every connection establishment.",
         ControlKind::kCheckBox, kTabStop, 15, 77, 204, 12},
        {IDC_CHECK_VERIFY_AFTER_WRITE, "Verify file after write.", ControlKind::kCheckBox, kTabStop,
         15, 95, 204, 12},
        {1, "OK", ControlKind::kDefPushButton, 0, 55, 127, 50, 14},
        {2, "Cancel", ControlKind::kPushButton, 0, 127, 127, 50, 14},
    };
    return dialog;
}
