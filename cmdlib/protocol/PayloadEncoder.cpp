// Frame encoders for the typed frames of the link protocol.
#include <limits>

#include "ByteIo.h"

namespace quorvex::link {
namespace {

void AnnounceCore(const CoreAnnouncement& core, FrameWriter& writer, bool* ok) {
    if (core.commands.size() > std::numeric_limits<std::uint32_t>::max()) {
        *ok = false;
        return;
    }
    writer.I32(core.os_type);
    writer.U32(static_cast<std::uint32_t>(core.commands.size()));
    for (const std::string& command : core.commands) writer.String(command);
}

}  // namespace

bool EncodeHello(std::uint32_t exchange_id, std::uint16_t version, std::string_view client_name,
                 std::vector<std::uint8_t>* out) {
    FrameWriter writer(FrameType::kHello, exchange_id, out);
    writer.U16(version);
    writer.String(client_name);
    return writer.Finish();
}

bool EncodeWelcome(std::uint32_t exchange_id, const Welcome& welcome,
                   std::vector<std::uint8_t>* out) {
    FrameWriter writer(FrameType::kWelcome, exchange_id, out);
    bool ok = true;
    writer.U16(welcome.version);
    AnnounceCore(welcome.cp, writer, &ok);
    AnnounceCore(welcome.ap, writer, &ok);
    return writer.Finish() && ok;
}

bool EncodeCommand(std::uint32_t exchange_id, const CommandFrame& command,
                   std::vector<std::uint8_t>* out) {
    FrameWriter writer(FrameType::kCommand, exchange_id, out);
    writer.I32(command.side);
    writer.U8(command.wants_reply ? 1 : 0);
    writer.String(command.service);
    writer.String(command.module);
    writer.String(command.name);
    writer.Data16(command.data);
    return writer.Finish();
}

bool EncodeCommandHead(std::uint32_t exchange_id, const CommandView& command,
                       std::vector<std::uint8_t>* head, std::uint32_t* crc) {
    if (command.size > 0xFFFF) return false;
    FrameWriter writer(FrameType::kCommand, exchange_id, head);
    writer.I32(command.side);
    writer.U8(command.wants_reply ? 1 : 0);
    writer.String(command.service);
    writer.String(command.module);
    writer.String(command.name);
    writer.U16(static_cast<std::uint16_t>(command.size));
    return writer.FinishHead(command.data, command.size, crc);
}

bool EncodeReport(std::uint32_t exchange_id, const ReportFrame& report,
                  std::vector<std::uint8_t>* out) {
    FrameWriter writer(FrameType::kReport, exchange_id, out);
    writer.I32(report.side);
    writer.String(report.service);
    writer.String(report.module);
    writer.String(report.name);
    writer.Data16(report.data);
    return writer.Finish();
}

bool EncodeReportHead(std::uint32_t exchange_id, const ReportFrame& report,
                      std::vector<std::uint8_t>* head, std::uint32_t* crc) {
    if (report.data.size() > 0xFFFF) return false;
    FrameWriter writer(FrameType::kReport, exchange_id, head);
    writer.I32(report.side);
    writer.String(report.service);
    writer.String(report.module);
    writer.String(report.name);
    writer.U16(static_cast<std::uint16_t>(report.data.size()));
    return writer.FinishHead(report.data.data(), report.data.size(), crc);
}

bool EncodeRefused(std::uint32_t exchange_id, std::string_view reason,
                   std::vector<std::uint8_t>* out) {
    FrameWriter writer(FrameType::kRefused, exchange_id, out);
    writer.String(reason);
    return writer.Finish();
}

void EncodeEmptyFrame(FrameType type, std::uint32_t exchange_id, std::vector<std::uint8_t>* out) {
    FrameWriter writer(type, exchange_id, out);
    writer.Finish();
}

}  // namespace quorvex::link
