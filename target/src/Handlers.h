// Command handlers of the simulated target: each decodes one command's
// parameter block, acts on the addressed core and appends its reports.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "FlashCore.h"
#include "cmdlib/TargetAgent.h"

namespace quorvex::sim {

// Appends reports under the command's own service and module, addressed to
// the side the command came from. Lives only as long as the handler call,
// like the command it refers to.
class Replier {
  public:
    Replier(const link::CommandView& command, std::vector<link::ReportFrame>* out,
            std::vector<std::vector<std::uint8_t>>* spare = nullptr)
        : command_(command), out_(out), spare_(spare) {}

    // An empty buffer for a report's data, one that served an earlier report
    // when there is one.
    std::vector<std::uint8_t> Buffer() {
        if (spare_ == nullptr || spare_->empty()) return {};
        std::vector<std::uint8_t> buffer = std::move(spare_->back());
        spare_->pop_back();
        buffer.clear();
        return buffer;
    }

    void Send(std::string_view name, std::vector<std::uint8_t> data = {}) {
        SendAs(command_.module, name, std::move(data));
    }
    void SendAs(std::string_view module, std::string_view name, std::vector<std::uint8_t> data) {
        link::ReportFrame report;
        report.side = command_.side;
        report.service.assign(command_.service);
        report.module.assign(module);
        report.name.assign(name);
        report.data = std::move(data);
        out_->push_back(std::move(report));
    }

  private:
    const link::CommandView& command_;
    std::vector<link::ReportFrame>* out_;
    std::vector<std::vector<std::uint8_t>>* spare_;
};

using Handler = void (*)(FlashCore& core, const link::CommandView& command, Replier& reply);

// Full command name -> handler, for every command that answers on one core.
// The posted commands (extended mode, the resets) are not in it.
const std::map<std::string, Handler>& CoreHandlers();

void HandleFopen(FlashCore&, const link::CommandView&, Replier&);
void HandleFread(FlashCore&, const link::CommandView&, Replier&);
void HandleFwrite(FlashCore&, const link::CommandView&, Replier&);
void HandleFclose(FlashCore&, const link::CommandView&, Replier&);
void HandleFseek(FlashCore&, const link::CommandView&, Replier&);

void HandleGetFileNameList(FlashCore&, const link::CommandView&, Replier&);
void HandleGetFdiVolumes(FlashCore&, const link::CommandView&, Replier&);

void HandleFStatus(FlashCore&, const link::CommandView&, Replier&);
void HandleRenameFile(FlashCore&, const link::CommandView&, Replier&);
void HandleRemoveFile(FlashCore&, const link::CommandView&, Replier&);
void HandleFchangeMode(FlashCore&, const link::CommandView&, Replier&);
void HandleMkDir(FlashCore&, const link::CommandView&, Replier&);
void HandleRmDir(FlashCore&, const link::CommandView&, Replier&);

void HandleGetFdiVersion(FlashCore&, const link::CommandView&, Replier&);
void HandleGetMaxFileNameLen(FlashCore&, const link::CommandView&, Replier&);
void HandleInMsgBodyLimit(FlashCore&, const link::CommandView&, Replier&);
void HandleOutMsgBodyLimit(FlashCore&, const link::CommandView&, Replier&);
void HandleSetRtc(FlashCore&, const link::CommandView&, Replier&);
void HandleFormatFlash(FlashCore&, const link::CommandView&, Replier&);
void HandleFormatVolume(FlashCore&, const link::CommandView&, Replier&);
void HandleGetFdiFdvSize(FlashCore&, const link::CommandView&, Replier&);
void HandleGetFdiFdvAvailableSpace(FlashCore&, const link::CommandView&, Replier&);

}  // namespace quorvex::sim
