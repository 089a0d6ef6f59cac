// In-memory flash behind a scripted target, for the transfer tests.
#include "FakeFlash.h"

#include <algorithm>

#include "cmdlib/Payload.h"

namespace quorvex::test {

using link::CommandFrame;
using link::PayloadBuilder;
using link::PayloadReader;
using link::ReportFrame;

namespace {
constexpr std::size_t kPathField = 256;

ReportFrame Report(const std::string& service, const std::string& module, const std::string& name,
                   std::vector<std::uint8_t> data = {}) {
    ReportFrame report;
    report.service = service;
    report.module = module;
    report.name = name;
    report.data = std::move(data);
    return report;
}

ReportFrame Fdi(const std::string& name, std::vector<std::uint8_t> data = {1}) {
    return Report("FDI", "Transport", name, std::move(data));
}
}  // namespace

FakeFlash::FakeFlash(std::shared_ptr<link::ScriptedTarget> target, bool fdi5) : fdi5_(fdi5) {
    target->On("*").Sticky().Respond(
        [this](const CommandFrame& command, std::vector<ReportFrame>& reports) {
            Answer(command, reports);
        });
}

std::int32_t FakeFlash::TakeId(PayloadReader& reader) const {
    return fdi5_ ? reader.I16() : reader.I32();
}

void FakeFlash::Answer(const CommandFrame& command, std::vector<ReportFrame>& reports) {
    ++exchanges_;
    if (on_command) on_command(command);
    // A close counts as sent even when its answer is lost.
    if (command.name == "Fclose") {
        PayloadReader id_reader(command.data);
        ++closes_[id_reader.I32()];
    }
    if (exchanges_ == silent_exchange) {
        // The command is lost on its way: nothing changes, nothing answers.
        injected_ = true;
        silenced_ = command.name;
        return;
    }
    PayloadReader reader(command.data);
    const std::string& name = command.name;

    if (name == "InMsgBodyLimit" || name == "OutMsgBodyLimit") {
        const std::string report =
            name == "InMsgBodyLimit" ? "MaxInMsgBodySize" : "MaxOutMsgBodySize";
        reports.push_back(
            Report("Diag", "Utils", report,
                   PayloadBuilder().U32(name == "InMsgBodyLimit" ? in_limit : out_limit)));
    } else if (name == "GetFdiFdvAvailableSpace") {
        if (space_error)
            reports.push_back(Fdi("FdvAvailableSize_Error"));
        else
            reports.push_back(Fdi("FdvAvailableSize", PayloadBuilder().U32(free_space)));
    } else if (name == "Fopen") {
        const std::string path = reader.Text(kPathField);
        const std::string mode = reader.Text(kPathField);
        if (mode == "rb" && files.count(path) == 0) {
            reports.push_back(Fdi("F_Open_Error"));
            return;
        }
        if (mode != "rb") files[path].clear();
        const std::int32_t id = next_id_++;
        opened_.push_back(id);
        open_files_[id] = OpenFile{path, 0};
        PayloadBuilder reply;
        if (fdi5_)
            reply.I16(static_cast<std::int16_t>(id));
        else
            reply.I32(id);
        reports.push_back(Fdi("F_Open_Return_FileID", reply.Text(path, kPathField)));
    } else if (name == "Fread") {
        const std::int32_t id = TakeId(reader);
        const std::uint16_t wanted = reader.U16();
        auto it = open_files_.find(id);
        if (it == open_files_.end()) {
            reports.push_back(Fdi("F_Read_Bad_Input"));
            return;
        }
        const Bytes& content = files[it->second.name];
        const std::size_t start = std::min(it->second.position, content.size());
        const std::size_t count = std::min<std::size_t>(wanted, content.size() - start);
        it->second.position = start + count;
        const bool last = it->second.position >= content.size();
        reports.push_back(Fdi("F_Read_Packet", PayloadBuilder()
                                                   .I16(0)
                                                   .U16(last ? 1 : 0)
                                                   .I16(static_cast<std::int16_t>(count))
                                                   .Bytes(Bytes(content.begin() + start,
                                                                content.begin() + start + count))));
    } else if (name == "Fwrite") {
        const std::int32_t id = TakeId(reader);
        const std::uint16_t count = reader.U16();
        auto it = open_files_.find(id);
        if (it == open_files_.end() || reader.remaining() < count) {
            reports.push_back(Fdi("F_Write_Error"));
            return;
        }
        Bytes& content = files[it->second.name];
        const auto* data = command.data.data() + reader.offset();
        content.resize(std::max(content.size(), it->second.position + count));
        std::copy(data, data + count, content.begin() + it->second.position);
        it->second.position += count;
        reports.push_back(Fdi("F_Write_Success"));
    } else if (name == "Fseek") {
        const std::int32_t id = TakeId(reader);
        if (fdi5_) reader.Skip(2);
        const std::int32_t offset = reader.I32();
        auto it = open_files_.find(id);
        if (seek_refused || it == open_files_.end()) {
            reports.push_back(Fdi("Fseek_Error"));
            return;
        }
        it->second.position = static_cast<std::size_t>(offset);
        reports.push_back(Fdi("Fseek_Success"));
    } else if (name == "Fclose") {
        const std::int32_t id = reader.I32();
        reports.push_back(Fdi(open_files_.erase(id) != 0 ? "F_Close_Success" : "F_Close_Error"));
    } else if (name == "Remove_File") {
        const std::string text(command.data.begin(), command.data.end());
        for (auto it = files.begin(); it != files.end();) {
            it = text.find(it->first) != std::string::npos ? files.erase(it) : std::next(it);
        }
        reports.push_back(Fdi("Remove_Success"));
    }
    // Anything else goes unanswered, as on a target that lacks the command.
}

}  // namespace quorvex::test
