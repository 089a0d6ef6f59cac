// Connecting, choosing the core and starting the module for one run.
#include "Session.h"

#include <unistd.h>

#include <ctime>
#include <iostream>

#include "Commands.h"
#include "CorePrompt.h"
#include "LinkWatch.h"
#include "Output.h"
#include "ProgressPump.h"
#include "ResultText.h"
#include "cmdlib/Connection.h"
#include "hostlib/hostpaths.h"
#include "platform/msgbox.h"
#include "quorvex/Quorvex.h"

namespace quorvex::cli {
namespace {

const int kCancelled = 28;

// Shuts the link when the question ends without an answer, so that the
// module's start-up that follows sends nothing.
class ShutOnCancel : public framework::DialogPresenterWrapper {
  public:
    ShutOnCancel(framework::DialogPresenter* target, LinkWatch* watch)
        : DialogPresenterWrapper(target), watch_(watch) {}
    INT_PTR Run(CDialog& dlg, const framework::DialogTemplate& tmpl,
                framework::DialogControls& controls) override {
        const INT_PTR result = DialogPresenterWrapper::Run(dlg, tmpl, controls);
        if (result != IDOK) {
            cancelled = true;
            watch_->Shut();
        }
        return result;
    }
    bool cancelled = false;

  private:
    LinkWatch* watch_;
};

}  // namespace

Session::Session() = default;

Session::~Session() {
    if (pump_) {
        if (flash_ != nullptr) flash_->SetNotifyWindow(nullptr);
        pump_->Finish();
    }
    // Registered objects outlive the module on purpose; a host ends its own.
    if (flash_ != nullptr) CFlashExplorerData::DeleteInstance(instance_.c_str());
    if (module_started_) Term();
    if (watch_) link::Disconnect();
    framework::SetDialogPresenter(nullptr);
}

int Session::Open(const GlobalOptions& o, const HostSettings& settings, std::string* message) {
    std::string endpoint = o.endpoint;
    if (endpoint.empty()) {
        endpoint =
            "sim:" + std::string(static_cast<LPCSTR>(GetHostPaths()->GetHostFolder())) + "/flash";
    }
    std::string error;
    watch_ = ConnectWatched(endpoint, &error);
    if (!watch_) {
        *message = ResultMeaning(101) + ": " + error;
        return 101;
    }

    // The target-type question of the "GUI Instance".
    std::unique_ptr<framework::DialogPresenter> answer;
    if (o.core.empty() && isatty(STDIN_FILENO)) {
        answer = std::make_unique<CorePrompt>(std::cin, std::cerr);
    } else {
        auto scripted = std::make_unique<framework::ScriptedDialogPresenter>();
        scripted->AddScript(o.core == "ap" ? "click 1032, ok" : "click 1031, ok");
        answer = std::move(scripted);
    }
    prompt_ = std::move(answer);
    auto guard = std::make_unique<ShutOnCancel>(prompt_.get(), watch_.get());
    ShutOnCancel* question = guard.get();
    presenter_ = std::move(guard);
    framework::SetDialogPresenter(presenter_.get());

    Init();
    module_started_ = true;
    watch_->Mark();
    instance_ = o.instance;
    flash_ = CFlashExplorerData::Instance(instance_.c_str());
    if (question->cancelled) {
        *message = "cancelled at the target-type question; nothing was sent";
        return kCancelled;
    }
    const int startup = watch_->FirstFailure();
    if (startup != 0) {
        const std::string what = ResultMeaning(startup) + " (the FDI version query of the " +
                                 (flash_->GetTargetType() == 0 ? "cp" : "ap") + " side)";
        if (settings.fdi_version_check) {
            *message = what + "; nothing else was sent";
            return startup;
        }
        Note("warning: " + what + "; going on with the FDI5 layout because \"FDI Ver Check\" is 0");
    }
    if (settings.update_rtc) {
        SYSTEMTIME now = UtcNow();
        const int set = flash_->SetRTC(&now);
        if (set != 0)
            Note("warning: could not set the target clock (\"Update RTC\"): " + ResultMeaning(set));
    }
    if (o.have_path) {
        // A path names a folder: "sub" and "sub/" both work inside sub/.
        std::string path = o.path;
        if (!path.empty() && path.back() != '/') path += '/';
        flash_->SetVolumeAndPath(path.c_str(), false);
    }

    ProgressMode mode = ProgressMode::kNone;
    if (o.progress == ProgressChoice::kJson) mode = ProgressMode::kJson;
    if (o.progress == ProgressChoice::kBar ||
        (o.progress == ProgressChoice::kAuto && isatty(STDERR_FILENO))) {
        mode = ProgressMode::kBar;
    }
    // Without a window the messages would pile up in this thread's queue.
    if (instance_ == "GUI Instance") {
        pump_ = std::make_unique<ProgressPump>(mode);
        flash_->SetNotifyWindow(pump_->window());
    }
    return 0;
}

SYSTEMTIME UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return SYSTEMTIME{static_cast<WORD>(utc.tm_year + 1900),
                      static_cast<WORD>(utc.tm_mon + 1),
                      0,
                      static_cast<WORD>(utc.tm_mday),
                      static_cast<WORD>(utc.tm_hour),
                      static_cast<WORD>(utc.tm_min),
                      static_cast<WORD>(utc.tm_sec),
                      0};
}

}  // namespace quorvex::cli
