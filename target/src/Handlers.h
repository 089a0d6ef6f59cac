// Command handlers of the simulated target: each decodes one command's
// parameter block, acts on the addressed core and appends its reports.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "FlashCore.h"
#include "cmdlib/TargetAgent.h"

namespace quorvex::sim {

// Appends reports under the command's own service and module, addressed to
// the side the command came from.
class Replier {
  public:
    Replier(const link::CommandFrame& command, std::vector<link::ReportFrame>* out,
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

    void Send(const std::string& name, std::vector<std::uint8_t> data = {}) {
        SendAs(command_.module, name, std::move(data));
    }
    void SendAs(const std::string& module, const std::string& name,
                std::vector<std::uint8_t> data) {
        link::ReportFrame report;
        report.side = command_.side;
        report.service = command_.service;
        report.module = module;
        report.name = name;
        report.data = std::move(data);
        out_->push_back(std::move(report));
    }

  private:
    const link::CommandFrame& command_;
    std::vector<link::ReportFrame>* out_;
    std::vector<std::vector<std::uint8_t>>* spare_;
};

using Handler = void (*)(FlashCore& core, const link::CommandFrame& command, Replier& reply);

// Full command name -> handler, for every command that answers on one core.
// The posted commands (extended mode, the resets) are not in it.
const std::map<std::string, Handler>& CoreHandlers();

void HandleFopen(FlashCore&, const link::CommandFrame&, Replier&);
void HandleFread(FlashCore&, const link::CommandFrame&, Replier&);
void HandleFwrite(FlashCore&, const link::CommandFrame&, Replier&);
void HandleFclose(FlashCore&, const link::CommandFrame&, Replier&);
void HandleFseek(FlashCore&, const link::CommandFrame&, Replier&);

void HandleGetFileNameList(FlashCore&, const link::CommandFrame&, Replier&);
void HandleGetFdiVolumes(FlashCore&, const link::CommandFrame&, Replier&);

void HandleFStatus(FlashCore&, const link::CommandFrame&, Replier&);
void HandleRenameFile(FlashCore&, const link::CommandFrame&, Replier&);
void HandleRemoveFile(FlashCore&, const link::CommandFrame&, Replier&);
void HandleFchangeMode(FlashCore&, const link::CommandFrame&, Replier&);
void HandleMkDir(FlashCore&, const link::CommandFrame&, Replier&);
void HandleRmDir(FlashCore&, const link::CommandFrame&, Replier&);

void HandleGetFdiVersion(FlashCore&, const link::CommandFrame&, Replier&);
void HandleGetMaxFileNameLen(FlashCore&, const link::CommandFrame&, Replier&);
void HandleInMsgBodyLimit(FlashCore&, const link::CommandFrame&, Replier&);
void HandleOutMsgBodyLimit(FlashCore&, const link::CommandFrame&, Replier&);
void HandleSetRtc(FlashCore&, const link::CommandFrame&, Replier&);
void HandleFormatFlash(FlashCore&, const link::CommandFrame&, Replier&);
void HandleFormatVolume(FlashCore&, const link::CommandFrame&, Replier&);
void HandleGetFdiFdvSize(FlashCore&, const link::CommandFrame&, Replier&);
void HandleGetFdiFdvAvailableSpace(FlashCore&, const link::CommandFrame&, Replier&);

}  // namespace quorvex::sim
