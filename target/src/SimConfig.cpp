// Command catalogue, default target and configuration checks of the simulator.
#include "target/SimConfig.h"

#include <string>

namespace quorvex::sim {
namespace {

bool IsKnownVersion(const std::string& v) {
    return v == "FDI5" || v == "FDI6" || v == "FDI7" || v == "FDI71";
}

std::string CheckCore(const char* label, const CoreConfig& core) {
    const std::string who = std::string(label) + ": ";
    if (!IsKnownVersion(core.fdi_version)) {
        return who + "FDI version '" + core.fdi_version + "' is not FDI5, FDI6, FDI7 or FDI71";
    }
    if (core.os_type < 0 || core.os_type > 3) return who + "OS type must be 0 to 3";
    // The volume list answer holds a count byte and ten bytes per name, and
    // the host reads six names at most.
    if (core.volumes.empty() || core.volumes.size() > 6) return who + "needs 1 to 6 volumes";
    std::set<std::string> names;
    for (const VolumeConfig& v : core.volumes) {
        if (v.name.empty() || v.name.size() > 9) {
            return who + "volume name '" + v.name + "' must have 1 to 9 characters";
        }
        for (char c : v.name) {
            const auto u = static_cast<unsigned char>(c);
            if (u <= 0x20 || u >= 0x7F || c == '/' || c == '\\' || c == '@' || c == '*' ||
                c == '?') {
                return who + "volume name '" + v.name + "' holds a character paths cannot carry";
            }
        }
        if (!names.insert(v.name).second) return who + "volume '" + v.name + "' given twice";
    }
    for (const std::string& c : core.commands) {
        std::string full;
        if (!ExpandCommandName(c, &full) || full != c) return who + "unknown command '" + c + "'";
    }
    // Read packets carry a signed 16-bit byte count; write packets must fit a
    // frame's 16-bit data length together with their header.
    if (core.in_msg_body_limit == 0 || core.in_msg_body_limit > 32767 ||
        core.out_msg_body_limit == 0 || core.out_msg_body_limit > 32767) {
        return who + "message body limits must be 1 to 32767";
    }
    // A path field holds 255 bytes, so a longer component could never be sent.
    if (core.max_file_name_len == 0 || core.max_file_name_len > 255) {
        return who + "longest file name must be 1 to 255";
    }
    if (core.max_open_files == 0 || core.max_open_files > 256) {
        return who + "open file limit must be 1 to 256";
    }
    if (core.max_entries == 0 || core.max_entries > 1000000) {
        return who + "entry limit must be 1 to 1000000";
    }
    return {};
}

}  // namespace

const std::vector<std::string>& AllCommandNames() {
    static const std::vector<std::string> names = {
        "FDI__Transport__GetFdiVersion",
        "FDI__Transport__ExtendedMode",
        "FDI__Transport__GetFdiVolumes",
        "FDI__Transport__GetFileNameList",
        "FDI__Transport__FStatus",
        "FDI__Transport__Fopen",
        "FDI__Transport__Fread",
        "FDI__Transport__Fwrite",
        "FDI__Transport__Fclose",
        "FDI__Transport__Fseek",
        "FDI__Transport__RenameFile",
        "FDI__Transport__Remove_File",
        "FDI__Transport__FchangeMode",
        "FDI__Transport__MkDir",
        "FDI__Transport__RmDir",
        "FDI__Transport__GetMaxFileNameLen",
        "FDI__Transport__Format_Flash",
        "FDI__Transport__Format_volume",
        "FDI__Transport__GetFdiFdvSize",
        "FDI__Transport__GetFdiFdvAvailableSpace",
        "Diag__Utils__InMsgBodyLimit",
        "Diag__Utils__OutMsgBodyLimit",
        "Diag__Utils__SetRTC",
        "SW_PLAT__CONTROL__restartCmd",
        "Layer1__Calibration__ResetBoardUsingWD",
    };
    return names;
}

const std::vector<std::string>& OptionalCommandNames() {
    static const std::vector<std::string> names = {
        "FDI__Transport__ExtendedMode",
        "FDI__Transport__GetMaxFileNameLen",
        "Diag__Utils__InMsgBodyLimit",
        "Diag__Utils__OutMsgBodyLimit",
        "FDI__Transport__Fseek",
        "FDI__Transport__GetFdiFdvAvailableSpace",
        "FDI__Transport__GetFdiFdvSize",
        "SW_PLAT__CONTROL__restartCmd",
        "Layer1__Calibration__ResetBoardUsingWD",
    };
    return names;
}

bool ExpandCommandName(std::string_view name, std::string* full_name) {
    for (const std::string& full : AllCommandNames()) {
        if (full == name) {
            *full_name = full;
            return true;
        }
        const std::size_t cut = full.rfind("__");
        if (std::string_view(full).substr(cut + 2) == name) {
            *full_name = full;
            return true;
        }
    }
    return false;
}

SimConfig DefaultSimConfig() {
    SimConfig config;
    const std::set<std::string> all(AllCommandNames().begin(), AllCommandNames().end());

    config.cp.fdi_version = "FDI6";
    config.cp.os_type = 1;
    config.cp.volumes = {{"dfm", 4u << 20, false}};
    config.cp.commands = all;

    config.ap.fdi_version = "FDI71";
    config.ap.os_type = 3;
    config.ap.volumes = {{"mfm", 16u << 20, false}};
    config.ap.commands = all;
    config.ap.in_msg_body_limit = 4096;
    config.ap.out_msg_body_limit = 4096;
    return config;
}

std::string ValidateConfig(const SimConfig& config) {
    std::string problem = CheckCore("CP", config.cp);
    if (problem.empty()) problem = CheckCore("AP", config.ap);
    return problem;
}

}  // namespace quorvex::sim
