// libFuzzer entry for the simulated target's command handling. An input is a
// flags byte, then up to 64 commands, each: catalogue index (u8), side (u8,
// signed), wants-reply (u8), data length (u16 LE) and that many bytes (cut to
// what is left). Flags: bit 0 CP speaks FDI5, bit 1 AP speaks FDI5, bit 2
// older report names. Volumes are small so no input can make much work.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "target/Simulator.h"

namespace {

constexpr int kMaxCommands = 64;

quorvex::sim::SimConfig FuzzConfig(std::uint8_t flags) {
    quorvex::sim::SimConfig config = quorvex::sim::DefaultSimConfig();
    config.cp.fdi_version = (flags & 1) != 0 ? "FDI5" : "FDI6";
    config.ap.fdi_version = (flags & 2) != 0 ? "FDI5" : "FDI71";
    config.cp.legacy_report_names = (flags & 4) != 0;
    config.cp.volumes = {{"dfm", 16 * 1024, false}, {"rfm", 4 * 1024, true}};
    config.ap.volumes = {{"mfm", 16 * 1024, false}};
    config.cp.max_entries = config.ap.max_entries = 64;
    config.clock = [] { return std::int64_t{1700000000}; };
    return config;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string error;
    auto sim = quorvex::sim::Simulator::Create(FuzzConfig(data[0]), &error);
    if (!sim) __builtin_trap();
    const auto& names = quorvex::sim::AllCommandNames();
    std::size_t at = 1;
    std::vector<quorvex::link::ReportFrame> reports;
    for (int n = 0; n < kMaxCommands && size - at >= 5; ++n) {
        const std::string& full = names[data[at] % names.size()];
        quorvex::link::CommandFrame command;
        command.side = static_cast<std::int8_t>(data[at + 1]);
        command.wants_reply = data[at + 2] != 0;
        const std::size_t a = full.find("__");
        const std::size_t b = full.find("__", a + 2);
        command.service = full.substr(0, a);
        command.module = full.substr(a + 2, b - a - 2);
        command.name = full.substr(b + 2);
        std::size_t length = data[at + 3] | (data[at + 4] << 8);
        at += 5;
        if (length > size - at) length = size - at;
        // A block of its own, exactly as long as the command says, so that a
        // handler reading past it trips the address sanitizer.
        command.data.assign(data + at, data + at + length);
        at += length;
        reports.clear();
        sim->Handle(quorvex::link::ViewOf(command), reports);
        // A report must fit a frame's 16-bit data length.
        for (const auto& r : reports) {
            if (r.data.size() > 0xFFFF) __builtin_trap();
        }
    }
    return 0;
}
