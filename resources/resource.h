// Resource ids of the module's dialogs (shared by the resource script and the
// dialog tables).
#pragma once

#define IDD_TARGET_TYPE 1006
#define IDC_RADIO_COMMUNICATION_CORE 1031
#define IDC_RADIO_APPLICATION_CORE 1032
