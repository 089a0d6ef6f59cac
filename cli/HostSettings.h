// The five switches of the settings store as the quorvex host reads them,
// with the values it writes when the store does not hold them yet.
#pragma once

#include <string>
#include <vector>

namespace quorvex::cli {

struct SettingKey {
    const char* key;           // as stored under "Quorvex Settings"
    int host_default;          // written when the key is missing
    const char* what_it_does;  // for settings --help and the README
};

const std::vector<SettingKey>& SettingKeys();
extern const char kSettingsSection[];

struct HostSettings {
    bool update_rtc = false;
    bool diagnosis_to_log = true;
    bool available_space = false;
    bool fdi_version_check = true;
    bool verify_after_write = true;
};

// Writes the host defaults under every key the store lacks, then reads the
// five switches (non-zero is on).
HostSettings LoadHostSettings();

}  // namespace quorvex::cli
