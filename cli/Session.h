// One run of the host against a target: the watched connection, the answer
// to the target-type question, the flash data object and what the settings
// ask for on connecting. Refuses to go on when the start-up exchanges
// failed or the question was cancelled, before any command is sent.
#pragma once

#include <memory>
#include <string>

#include "CommandLine.h"
#include "HostSettings.h"
#include "framework/dialog_presenter.h"

class CFlashExplorerData;

namespace quorvex::cli {

class LinkWatch;
class ProgressPump;

class Session {
  public:
    Session();
    ~Session();  // ends the object, the module and the connection
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // 0, or the code that stops the run with *message saying why.
    int Open(const GlobalOptions& options, const HostSettings& settings, std::string* message);

    CFlashExplorerData* flash() const { return flash_; }
    LinkWatch* watch() const { return watch_.get(); }

  private:
    std::shared_ptr<LinkWatch> watch_;
    std::unique_ptr<framework::DialogPresenter> prompt_;
    std::unique_ptr<framework::DialogPresenter> presenter_;
    std::unique_ptr<ProgressPump> pump_;
    std::string instance_;
    CFlashExplorerData* flash_ = nullptr;
    bool module_started_ = false;
};

}  // namespace quorvex::cli
