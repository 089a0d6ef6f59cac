// Payload decoders for the typed frames of the link protocol.
#include "ByteIo.h"

namespace quorvex::link {
namespace {

// Every command name costs at least its u16 length, so a count larger than
// half the bytes left is a lie; checking it first keeps a hostile count from
// sizing the vector.
bool ReadCore(ByteReader& reader, CoreAnnouncement* core) {
    std::uint32_t count = 0;
    if (!reader.I32(&core->os_type) || !reader.U32(&count)) return false;
    if (count > reader.remaining() / 2) return false;
    core->commands.clear();
    core->commands.resize(count);
    for (std::string& command : core->commands) {
        if (!reader.String(&command)) return false;
    }
    return true;
}

}  // namespace

bool DecodeHello(const std::uint8_t* payload, std::size_t size, std::uint16_t* version,
                 std::string* client_name) {
    ByteReader reader(payload, size);
    return reader.U16(version) && reader.String(client_name) && reader.AtEnd();
}

bool DecodeWelcome(const std::uint8_t* payload, std::size_t size, Welcome* welcome) {
    ByteReader reader(payload, size);
    return reader.U16(&welcome->version) && ReadCore(reader, &welcome->cp) &&
           ReadCore(reader, &welcome->ap) && reader.AtEnd();
}

bool DecodeCommandView(const std::uint8_t* payload, std::size_t size, CommandView* command) {
    ByteReader reader(payload, size);
    std::uint8_t wants_reply = 0;
    if (!reader.I32(&command->side) || !reader.U8(&wants_reply) || wants_reply > 1) return false;
    command->wants_reply = wants_reply != 0;
    return reader.StringView(&command->service) && reader.StringView(&command->module) &&
           reader.StringView(&command->name) && reader.Data16View(&command->data, &command->size) &&
           reader.AtEnd();
}

bool DecodeCommand(const std::uint8_t* payload, std::size_t size, CommandFrame* command) {
    CommandView view;
    const bool ok = DecodeCommandView(payload, size, &view);
    CopyInto(view, command);
    return ok;
}

bool DecodeReportView(const std::uint8_t* payload, std::size_t size, ReportView* report) {
    ByteReader reader(payload, size);
    return reader.I32(&report->side) && reader.StringView(&report->service) &&
           reader.StringView(&report->module) && reader.StringView(&report->name) &&
           reader.Data16View(&report->data, &report->size) && reader.AtEnd();
}

bool DecodeReport(const std::uint8_t* payload, std::size_t size, ReportFrame* report) {
    ReportView view;
    const bool ok = DecodeReportView(payload, size, &view);
    report->side = view.side;
    report->service.assign(view.service);
    report->module.assign(view.module);
    report->name.assign(view.name);
    report->data.assign(view.data, view.data + view.size);
    report->delay_ms = 0;
    return ok;
}

bool DecodeRefused(const std::uint8_t* payload, std::size_t size, std::string* reason) {
    ByteReader reader(payload, size);
    return reader.String(reason) && reader.AtEnd();
}

}  // namespace quorvex::link
