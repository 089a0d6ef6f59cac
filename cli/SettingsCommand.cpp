// settings: read or set the five switches of the settings store.
#include <cstdio>

#include "Commands.h"
#include "Output.h"
#include "hostlib/hostpaths.h"

namespace quorvex::cli {

int RunSettingsCommand(CommandContext& c) {
    CHostPaths* store = GetHostPaths();
    const std::vector<std::string>& a = c.line->operands;
    const std::vector<SettingKey>& keys = SettingKeys();
    if (a.empty()) {
        std::string out = c.json ? "{" : "";
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const int v =
                store->ReadSettingInt(kSettingsSection, keys[i].key, keys[i].host_default);
            if (c.json) {
                out += (i ? "," : "") + Json(keys[i].key) + ":" + std::to_string(v);
            } else {
                out += std::string(keys[i].key) + " = " + std::to_string(v) + "\n";
            }
        }
        std::printf("%s%s", out.c_str(), c.json ? "}\n" : "");
        return 0;
    }
    const SettingKey* key = nullptr;
    for (const SettingKey& k : keys) {
        if (a[0] == k.key) key = &k;
    }
    if (key == nullptr) {
        return Fail(c, kUsageStatus,
                    "unknown setting '" + a[0] + "' (run 'quorvex settings' for the keys)");
    }
    if (a.size() == 1) {
        std::printf("%d\n", store->ReadSettingInt(kSettingsSection, key->key, key->host_default));
        return 0;
    }
    if (a[1] != "0" && a[1] != "1") return Fail(c, kUsageStatus, "a setting is 0 or 1");
    store->WriteSettingInt(kSettingsSection, key->key, a[1] == "1" ? 1 : 0);
    return 0;
}

}  // namespace quorvex::cli
