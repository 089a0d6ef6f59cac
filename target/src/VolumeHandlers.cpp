// Format and capacity commands of a simulated core.
#include <algorithm>
#include <cstring>

#include "Handlers.h"
#include "WireIo.h"

namespace quorvex::sim {
namespace {

// The 4-byte volume field: a name of up to three characters ends in a zero
// byte, a longer one arrives cut to four characters and is matched by that
// prefix. An empty field means the default volume. Unlike paths, an unknown
// name never falls back to the default volume: formatting is not undone.
FlashVolume* FormatTarget(FlashCore& core, const ParamReader& in) {
    const std::uint8_t* field = in.BytesAt(0, 4);
    if (field == nullptr) return nullptr;
    const void* nul = std::memchr(field, 0, 4);
    const std::size_t length =
        nul == nullptr ? 4
                       : static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - field);
    const std::string_view name(reinterpret_cast<const char*>(field), length);
    if (length == 0) return &core.default_volume();
    if (length < 4) return core.FindVolume(name);
    for (FlashVolume& v : core.volumes()) {
        if (v.config.name.compare(0, 4, name) == 0) return &v;
    }
    return nullptr;
}

void Format(FlashCore& core, const link::CommandView& command, Replier& reply, bool volume_form) {
    FlashVolume* volume = FormatTarget(core, ParamReader(command.data, command.size));
    if (volume == nullptr) {
        reply.Send("Format_Error");
        return;
    }
    if (core.Format(*volume) != FsStatus::kOk) {
        reply.Send(volume_form && volume->config.ram ? "Format_Failure_RAM" : "Format_Error");
        return;
    }
    reply.Send("Format_Success");
}

}  // namespace

void HandleFormatFlash(FlashCore& core, const link::CommandView& command, Replier& reply) {
    Format(core, command, reply, false);
}

void HandleFormatVolume(FlashCore& core, const link::CommandView& command, Replier& reply) {
    Format(core, command, reply, true);
}

void HandleGetFdiFdvSize(FlashCore& core, const link::CommandView&, Replier& reply) {
    std::vector<std::uint8_t> out;
    PutU64(out, core.default_volume().config.capacity);
    reply.Send("FdvSpace", std::move(out));
}

void HandleGetFdiFdvAvailableSpace(FlashCore& core, const link::CommandView& command,
                                   Replier& reply) {
    // The host sends the first component of a full path, which may as well
    // be a file name on the default volume; the path rules decide.
    const ParamReader in(command.data, command.size);
    std::string name;
    FlashPath where;
    if (!in.TextAt(0, FlashCore::kPathFieldSize, &name) || !core.ResolvePath(name, &where)) {
        reply.Send("FdvAvailableSize_Error");
        return;
    }
    // All ones is the host's "no figure" marker, so a huge volume reports one less.
    const std::uint64_t free = std::min<std::uint64_t>(where.volume->Free(), 0xFFFFFFFEu);
    std::vector<std::uint8_t> out;
    PutU32(out, static_cast<std::uint32_t>(free));
    reply.Send(where.volume->config.ram ? "FdvAvailableSize_RAM" : "FdvAvailableSize",
               std::move(out));
}

}  // namespace quorvex::sim
