// Configuration of the simulated two-core target: what each core offers, how
// big its volumes are, where the flash image lives and which faults to inject.
// Every field is plain data so a program can fill it from command-line flags.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cmdlib/TargetAgent.h"

namespace quorvex::sim {

struct VolumeConfig {
    std::string name;            // 1 to 9 characters: the volume list has 10-byte name slots
    std::uint64_t capacity = 0;  // bytes of file data the volume holds
    // A RAM volume answers with the "_RAM" report forms, is never written to
    // the image and comes back empty after a reset.
    bool ram = false;
};

struct CoreConfig {
    std::string fdi_version = "FDI6";  // "FDI5" selects the narrow wire layouts
    std::int32_t os_type = 0;          // 0 none, 1 RTOS, 2 Windows, 3 Linux
    // The first volume is the core's default volume: paths whose first
    // component names no volume, and the extended-mode root, lie on it.
    std::vector<VolumeConfig> volumes;
    // Full command names ("FDI__Transport__Fopen"); a command not listed is
    // never answered.
    std::set<std::string> commands;
    std::uint32_t in_msg_body_limit = 1024;   // most data bytes per read packet
    std::uint32_t out_msg_body_limit = 1024;  // most data bytes per write packet
    std::uint32_t max_file_name_len = 64;     // longest single path component
    std::uint32_t max_open_files = 8;
    std::uint32_t max_entries = 4096;  // files and directories per volume
    std::uint16_t default_file_mode = 0644;
    // Once set, the clock refuses further settings ("RTC_Already_Set") until a reset.
    bool rtc_set_once = false;
    // Older firmware: "F_Rename_Succes", "Remove_File" as the removal answer and
    // the upper-case module "TRANSPORT" in the empty-listing answer.
    bool legacy_report_names = false;

    bool Offers(const std::string& full_name) const { return commands.count(full_name) != 0; }
};

// What to do to the reports a target agent produces (FaultInjectingAgent).
struct FaultConfig {
    // 1-based positions, counted over every report the agent passes on, of
    // reports that are silently dropped.
    std::set<std::uint64_t> drop_reports;
    // Added to the delay of every report.
    std::uint32_t report_delay_ms = 0;
    // Full command name -> the reports sent instead of the real answer (the
    // command is not executed; an empty list means no answer at all).
    std::map<std::string, std::vector<link::ReportFrame>> answers;
    // Flags for the transport carrying the agent's frames; the agent itself
    // cannot act on them (see LinkFaults in FaultInjectingAgent.h).
    std::uint64_t close_after_frames = 0;
    std::uint64_t corrupt_frame = 0;

    bool Any() const {
        return !drop_reports.empty() || report_delay_ms != 0 || !answers.empty() ||
               close_after_frames != 0 || corrupt_frame != 0;
    }
};

struct SimConfig {
    CoreConfig cp;
    CoreConfig ap;
    // Empty: the flash lives in memory only. Otherwise the image of both cores
    // is kept in this directory (the simulator writes nothing else there).
    std::string image_dir;
    // Every change reaches the disk before it is answered. Off only for tests
    // and throw-away images, where speed matters more than surviving a power
    // cut; a crashed process loses nothing either way.
    bool durable = true;
    // Receives one line whenever the image cannot be read or a change cannot
    // be kept. May be empty.
    std::function<void(const std::string&)> log;
    // Seconds since 1970-01-01 00:00 UTC; empty means the system clock. Each
    // core's real-time clock runs at this pace from where it was last set.
    std::function<std::int64_t()> clock;
    FaultConfig faults;
};

// Every command the simulator knows, as full names, in catalogue order.
const std::vector<std::string>& AllCommandNames();
// The commands a target may leave out of a core's database.
const std::vector<std::string>& OptionalCommandNames();
// Turns a full name or a unique last part ("Fseek", "restartCmd") into the
// full name. False for a name the simulator does not know.
bool ExpandCommandName(std::string_view name, std::string* full_name);

// A realistic target: CP "FDI6" (RTOS) with volume "dfm", AP "FDI71" (Linux)
// with volume "mfm", both offering every command, memory only.
SimConfig DefaultSimConfig();

// Empty when the configuration can be run, else one line saying what is wrong.
std::string ValidateConfig(const SimConfig& config);

}  // namespace quorvex::sim
