// Version, limit and clock queries of a simulated core, and the handler table.
#include "Handlers.h"
#include "WireIo.h"

namespace quorvex::sim {
namespace {

void SendU32(Replier& reply, const char* name, std::uint32_t value) {
    std::vector<std::uint8_t> out;
    PutU32(out, value);
    reply.Send(name, std::move(out));
}

}  // namespace

void HandleGetFdiVersion(FlashCore& core, const link::CommandView&, Replier& reply) {
    const std::string& version = core.config().fdi_version;
    std::vector<std::uint8_t> text(version.begin(), version.end());
    text.push_back(0);
    reply.Send(version, std::move(text));
}

void HandleGetMaxFileNameLen(FlashCore& core, const link::CommandView&, Replier& reply) {
    SendU32(reply, "MaxFileNameLen", core.config().max_file_name_len);
}

void HandleInMsgBodyLimit(FlashCore& core, const link::CommandView&, Replier& reply) {
    SendU32(reply, "MaxInMsgBodySize", core.config().in_msg_body_limit);
}

void HandleOutMsgBodyLimit(FlashCore& core, const link::CommandView&, Replier& reply) {
    SendU32(reply, "MaxOutMsgBodySize", core.config().out_msg_body_limit);
}

void HandleSetRtc(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    const std::uint8_t* b = in.BytesAt(0, 8);
    std::uint16_t year = 0;
    if (b == nullptr || !in.U16At(6, &year)) {
        reply.Send("SetRTC_Failure");
        return;
    }
    CivilTime t;
    t.second = b[0];
    t.minute = b[1];
    t.hour = b[2];
    t.day = b[3];
    t.month = b[4];
    t.year = year;
    // The clock counts from 1970, and listings carry stamps as 32-bit seconds.
    if (!IsValidCivil(t) || year < 1970 || year > 2037) {
        reply.Send("SetRTC_Failure");
        return;
    }
    const FsStatus status = core.SetClock(t);
    reply.Send(status == FsStatus::kOk       ? "SetRTC_Success"
               : status == FsStatus::kExists ? "RTC_Already_Set"
                                             : "SetRTC_Failure");
}

const std::map<std::string, Handler>& CoreHandlers() {
    static const std::map<std::string, Handler> table = {
        {"FDI__Transport__GetFdiVersion", HandleGetFdiVersion},
        {"FDI__Transport__GetFdiVolumes", HandleGetFdiVolumes},
        {"FDI__Transport__GetFileNameList", HandleGetFileNameList},
        {"FDI__Transport__FStatus", HandleFStatus},
        {"FDI__Transport__Fopen", HandleFopen},
        {"FDI__Transport__Fread", HandleFread},
        {"FDI__Transport__Fwrite", HandleFwrite},
        {"FDI__Transport__Fclose", HandleFclose},
        {"FDI__Transport__Fseek", HandleFseek},
        {"FDI__Transport__RenameFile", HandleRenameFile},
        {"FDI__Transport__Remove_File", HandleRemoveFile},
        {"FDI__Transport__FchangeMode", HandleFchangeMode},
        {"FDI__Transport__MkDir", HandleMkDir},
        {"FDI__Transport__RmDir", HandleRmDir},
        {"FDI__Transport__GetMaxFileNameLen", HandleGetMaxFileNameLen},
        {"FDI__Transport__Format_Flash", HandleFormatFlash},
        {"FDI__Transport__Format_volume", HandleFormatVolume},
        {"FDI__Transport__GetFdiFdvSize", HandleGetFdiFdvSize},
        {"FDI__Transport__GetFdiFdvAvailableSpace", HandleGetFdiFdvAvailableSpace},
        {"Diag__Utils__InMsgBodyLimit", HandleInMsgBodyLimit},
        {"Diag__Utils__OutMsgBodyLimit", HandleOutMsgBodyLimit},
        {"Diag__Utils__SetRTC", HandleSetRtc},
    };
    return table;
}

}  // namespace quorvex::sim
