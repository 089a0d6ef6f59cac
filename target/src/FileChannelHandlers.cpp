// Open, read, write, seek and close: the file channel commands, in the narrow
// ("FDI5": 16-bit identifiers) and the wide layout.
#include <algorithm>

#include "Handlers.h"
#include "WireIo.h"

namespace quorvex::sim {
namespace {

// The identifier field: signed 16 bits in the narrow layout, 32 otherwise.
bool ReadFileId(const FlashCore& core, const ParamReader& in, std::int32_t* id) {
    if (core.narrow_layout()) {
        std::int16_t narrow = 0;
        if (!in.I16At(0, &narrow)) return false;
        *id = narrow;
        return true;
    }
    return in.I32At(0, id);
}

}  // namespace

void HandleFopen(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::string name, mode;
    std::int32_t id = 0;
    bool on_ram = false;
    if (!in.TextAt(0, FlashCore::kPathFieldSize, &name) ||
        !in.TextAt(FlashCore::kPathFieldSize, FlashCore::kPathFieldSize, &mode) ||
        core.Open(name, mode, &id, &on_ram) != FsStatus::kOk) {
        reply.Send("F_Open_Error");
        return;
    }
    std::vector<std::uint8_t> out;
    if (core.narrow_layout()) {
        PutU16(out, static_cast<std::uint16_t>(id));
    } else {
        PutU32(out, static_cast<std::uint32_t>(id));
    }
    // The host compares the echoed name with the one it asked for.
    PutTextField(out, name, FlashCore::kPathFieldSize);
    reply.Send(on_ram ? "F_Open_Return_FileID_RAM" : "F_Open_Return_FileID", std::move(out));
}

void HandleFread(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::int32_t id = 0;
    std::uint16_t wanted = 0;
    const std::size_t wanted_at = core.narrow_layout() ? 2 : 4;
    if (!ReadFileId(core, in, &id) || !in.U16At(wanted_at, &wanted) || wanted == 0) {
        reply.Send("F_Read_Bad_Input");
        return;
    }
    // A host that asks for more than the core sends per packet still gets
    // everything: it keeps asking until the last-packet flag.
    const std::size_t count = std::min<std::size_t>(wanted, core.config().in_msg_body_limit);
    // The file's bytes go straight behind the packet header.
    std::vector<std::uint8_t> out = reply.Buffer();
    out.reserve(6 + count);
    PutU16(out, 0);  // status: data follows
    PutU16(out, 0);  // last-packet flag and byte count, known once read
    PutU16(out, 0);
    bool at_end = false;
    if (core.Read(id, count, &out, &at_end) != FsStatus::kOk) {
        reply.Send("F_Read_Error");
        return;
    }
    const std::size_t got = out.size() - 6;
    out[2] = at_end ? 1 : 0;
    out[4] = static_cast<std::uint8_t>(got);
    out[5] = static_cast<std::uint8_t>(got >> 8);
    reply.Send("F_Read_Packet", std::move(out));
}

void HandleFwrite(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::int32_t id = 0;
    std::uint16_t count = 0;
    const std::size_t count_at = core.narrow_layout() ? 2 : 4;
    const std::uint8_t* bytes = nullptr;
    if (ReadFileId(core, in, &id) && in.U16At(count_at, &count)) {
        bytes = in.BytesAt(count_at + 2, count);
    }
    if (bytes == nullptr || core.Write(id, bytes, count) != FsStatus::kOk) {
        reply.Send("F_Write_Error");
        return;
    }
    reply.Send("F_Write_Success");
}

void HandleFclose(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::int32_t id = 0;
    if (!in.I32At(0, &id) || core.Close(id) != FsStatus::kOk) {
        reply.Send("F_Close_Error");
        return;
    }
    reply.Send("F_Close_Success");
}

void HandleFseek(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::int32_t id = 0, offset = 0, origin = 0;
    const bool parsed = ReadFileId(core, in, &id) && in.I32At(4, &offset) && in.I32At(8, &origin);
    const bool on_ram = parsed && core.HandleOnRam(id);
    if (!parsed || core.Seek(id, offset, origin) != FsStatus::kOk) {
        reply.Send(on_ram ? "Fseek_Error_RAM" : "Fseek_Error");
        return;
    }
    reply.Send(on_ram ? "Fseek_Success_RAM" : "Fseek_Success");
}

}  // namespace quorvex::sim
