// Status, rename, removal, mode change and directory commands on single entries.
#include "Handlers.h"
#include "WireIo.h"

namespace quorvex::sim {
namespace {

constexpr std::size_t kField = FlashCore::kPathFieldSize;

// The text in an errno-like form the host can parse out of four bytes: the
// number starts two characters after the colon.
std::vector<std::uint8_t> MkdirErrorText(int code) {
    std::string text = ": " + std::to_string(code);
    text.resize(4, '\0');
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

int MkdirErrorCode(FsStatus status) {
    switch (status) {
        case FsStatus::kExists:
            return 17;  // EEXIST
        case FsStatus::kNotFound:
            return 2;  // ENOENT
        case FsStatus::kTooMany:
            return 28;  // ENOSPC
        case FsStatus::kStorage:
            return 5;  // EIO: the image could not keep the directory
        default:
            return 22;  // EINVAL
    }
}

}  // namespace

void HandleFStatus(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::string path;
    std::uint16_t word = 0;
    if (!in.TextAt(0, kField, &path) || core.Status(path, &word) != FsStatus::kOk) {
        reply.Send("F_Status_Error");
        return;
    }
    std::vector<std::uint8_t> out;
    PutU16(out, word);
    reply.Send("F_Status_Success", std::move(out));
}

void HandleRenameFile(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::string from, to;
    if (!in.TextAt(0, kField, &from) || !in.TextAt(kField, kField, &to) ||
        core.Rename(from, to) != FsStatus::kOk) {
        reply.Send("F_Rename_Error");
        return;
    }
    reply.Send(core.config().legacy_report_names ? "F_Rename_Succes" : "F_Rename_Success");
}

void HandleRemoveFile(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::string path;
    if (!in.TextAt(0, kField, &path) || core.Remove(path) != FsStatus::kOk) {
        reply.Send("Remove_Error");
        return;
    }
    reply.Send(core.config().legacy_report_names ? "Remove_File" : "Remove_Success");
}

void HandleFchangeMode(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::string path;
    std::uint32_t mode = 0;
    if (!in.TextAt(0, kField, &path) || !in.U32At(kField, &mode) ||
        core.ChangeMode(path, mode) != FsStatus::kOk) {
        reply.Send("F_ChangeMode_Error");
        return;
    }
    reply.Send("F_ChangeMode_Success");
}

void HandleMkDir(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::string path;
    std::uint16_t mode = 0;
    if (!in.TextAt(0, kField, &path) || !in.U16At(kField, &mode)) {
        reply.Send("mkdir_Error", MkdirErrorText(22));
        return;
    }
    const FsStatus status = core.MakeDir(path, mode);
    if (status != FsStatus::kOk) {
        reply.Send("mkdir_Error", MkdirErrorText(MkdirErrorCode(status)));
        return;
    }
    reply.Send("mkdir_Success", std::vector<std::uint8_t>(4, 0));
}

void HandleRmDir(FlashCore& core, const link::CommandView& command, Replier& reply) {
    const ParamReader in(command.data, command.size);
    std::string path;
    if (!in.TextAt(0, kField, &path) || core.RemoveDir(path) != FsStatus::kOk) {
        reply.Send("Rmdir_Error");
        return;
    }
    reply.Send("Rmdir_Success");
}

}  // namespace quorvex::sim
