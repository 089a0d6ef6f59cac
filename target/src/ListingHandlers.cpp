// Directory listing in 1028-byte name-list packets, and the volume list.
#include <algorithm>
#include <limits>

#include "Handlers.h"
#include "WireIo.h"

namespace quorvex::sim {
namespace {

constexpr std::size_t kPacketTextSize = 1024;

std::int32_t ClampToI32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// One entry: five "@"-terminated fields. The narrow layout carries a single
// packed stamp (the creation time), the wide one both stamps in seconds.
std::string EntryText(const FlashCore& core, const ListedEntry& entry) {
    const StoredEntry& node = entry.entry;
    std::string text = entry.name + "@";
    if (core.narrow_layout()) {
        const CivilTime t = CivilFromSeconds(node.created);
        const std::uint32_t packed_time = (static_cast<std::uint32_t>(t.hour) << 12) |
                                          (static_cast<std::uint32_t>(t.minute) << 6) |
                                          static_cast<std::uint32_t>(t.second);
        const std::uint32_t packed_date = (static_cast<std::uint32_t>(t.day) << 16) |
                                          (static_cast<std::uint32_t>(t.month) << 12) |
                                          (static_cast<std::uint32_t>(t.year) & 0xFFF);
        text += std::to_string(packed_time) + "@" + std::to_string(packed_date) + "@";
    } else {
        text += std::to_string(ClampToI32(node.created)) + "@" +
                std::to_string(ClampToI32(node.modified)) + "@";
    }
    const std::uint64_t size =
        std::min<std::uint64_t>(node.size, std::numeric_limits<std::uint32_t>::max());
    text += std::to_string(size) + "@" + std::to_string(FlashCore::StatusWord(node)) + "@";
    return text;
}

std::vector<std::uint8_t> Packet(const std::string& text, int count, bool last) {
    std::vector<std::uint8_t> out(text.begin(), text.end());
    out.resize(kPacketTextSize, 0);
    PutU16(out, static_cast<std::uint16_t>(count));
    out.push_back(last ? 1 : 0);
    out.push_back(0);
    return out;
}

}  // namespace

void HandleGetFileNameList(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::string pattern;
    if (!in.TextAt(0, in.size(), &pattern)) {
        reply.Send("F_Name_List_Error");
        return;
    }
    std::vector<ListedEntry> entries;
    bool on_ram = false;
    if (core.List(pattern, &entries, &on_ram) != FsStatus::kOk) {
        reply.Send("Find_Error");
        return;
    }
    if (entries.empty()) {
        const std::string_view module =
            core.config().legacy_report_names ? "TRANSPORT" : command.module;
        reply.SendAs(module, on_ram ? "FName_LIST_NOTEXISTS_RAM" : "FName_LIST_NOTEXISTS", {});
        return;
    }
    const std::string name = on_ram ? "F_NameList_Packet_RAM" : "F_NameList_Packet";
    // Entries are never split: a packet ends before the entry that would not fit.
    std::string text;
    int count = 0;
    for (const ListedEntry& entry : entries) {
        const std::string one = EntryText(core, entry);
        if (text.size() + one.size() > kPacketTextSize) {
            reply.Send(name, Packet(text, count, false));
            text.clear();
            count = 0;
        }
        text += one;
        ++count;
    }
    reply.Send(name, Packet(text, count, true));
}

void HandleGetFdiVolumes(FlashCore& core, const link::CommandView&, Replier& reply) {
    std::vector<std::uint8_t> out;
    out.push_back(static_cast<std::uint8_t>(core.volumes().size()));
    for (const FlashVolume& v : core.volumes()) PutTextField(out, v.config.name, 10);
    reply.Send("GetFdiVolumes_List", std::move(out));
}

}  // namespace quorvex::sim
