// The switches of the settings store and what quorvex does with each.
#include "HostSettings.h"

#include "hostlib/hostpaths.h"

namespace quorvex::cli {

const char kSettingsSection[] = "Quorvex Settings";

// A command-line host runs unattended as often as not: it changes nothing on
// the target unasked (no clock setting), keeps stdout and stderr to what was
// asked for (no free-space line), and errs on the side of safety (verify
// writes, refuse a side whose version is unknown).
const std::vector<SettingKey>& SettingKeys() {
    static const std::vector<SettingKey> keys = {
        {"Update RTC", 0, "set the target clock to the PC's (UTC) on every connection"},
        {"Update Diagnosis Information", 1, "write the module's trace lines to quorvex.log"},
        {"Available Space", 0, "print the volume's free space (stderr) after get and put"},
        {"FDI Ver Check", 1,
         "refuse to work on a side whose FDI version query failed (0: warn and go on)"},
        {"Verify After Write", 1, "put reads the file back and compares it (--no-verify skips)"},
    };
    return keys;
}

HostSettings LoadHostSettings() {
    CHostPaths* store = GetHostPaths();
    std::vector<CString> present = store->GetSettingKeys(kSettingsSection);
    int values[5];
    for (std::size_t i = 0; i < 5; ++i) {
        const SettingKey& k = SettingKeys()[i];
        bool found = false;
        for (const CString& key : present) found = found || key.CompareNoCase(k.key) == 0;
        if (!found) store->WriteSettingInt(kSettingsSection, k.key, k.host_default);
        values[i] = store->ReadSettingInt(kSettingsSection, k.key, k.host_default);
    }
    HostSettings s;
    s.update_rtc = values[0] != 0;
    s.diagnosis_to_log = values[1] != 0;
    s.available_space = values[2] != 0;
    s.fdi_version_check = values[3] != 0;
    s.verify_after_write = values[4] != 0;
    return s;
}

}  // namespace quorvex::cli
