// Resource ids of the module's dialogs (shared by the resource script and the
// dialog tables).
#pragma once

#define IDD_TARGET_TYPE 1006
#define IDC_RADIO_COMMUNICATION_CORE 1031
#define IDC_RADIO_APPLICATION_CORE 1032

#define IDD_SETTINGS 8033
#define IDC_CHECK_UPDATE_RTC 8030
#define IDC_CHECK_DIAGNOSIS_INFO 8031
#define IDC_CHECK_AVAILABLE_SPACE 8018
#define IDC_CHECK_FDI_VER_CHECK 8022
#define IDC_CHECK_VERIFY_AFTER_WRITE 8023
