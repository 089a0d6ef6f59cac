// Message boxes. A box is handed to the message box presenter that the host
// installed (the MB_ and ID constants come from platform/os/msgbox.h); without
// one, POSIX writes the box on stderr and Windows shows the real box.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/os/msgbox.h"

namespace quorvex::platform {

// Shows one message box and returns the button that closed it (IDOK ...).
// Called on the thread that called MessageBoxA; may block.
class MessageBoxPresenter {
  public:
    virtual ~MessageBoxPresenter() = default;
    virtual int Show(HWND owner, const std::string& text, const std::string& caption,
                     UINT type) = 0;
};

// Installs `presenter` (not owned; it must outlive its installation) and
// returns the one it replaces. nullptr restores the default presenter.
MessageBoxPresenter* SetMessageBoxPresenter(MessageBoxPresenter* presenter);
MessageBoxPresenter* GetMessageBoxPresenter();

// The button a box of `type` takes when its default button is pressed
// (honours MB_DEFBUTTON2/3): IDOK for MB_OK, IDYES for MB_YESNO, ...
int DefaultButton(UINT type);

// Writes "caption: text" on stderr and presses the default button (IDOK for
// the OK boxes the module shows).
class StderrMessageBoxPresenter : public MessageBoxPresenter {
  public:
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override;
};

// Forwards every box to another presenter; derive to change one behaviour.
class MessageBoxPresenterWrapper : public MessageBoxPresenter {
  public:
    explicit MessageBoxPresenterWrapper(MessageBoxPresenter* target) : target_(target) {}
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        return target_->Show(owner, text, caption, type);
    }

  private:
    MessageBoxPresenter* target_;
};

// Records every box and answers a fixed value. Thread-safe.
class RecordingMessageBoxPresenter : public MessageBoxPresenter {
  public:
    struct Box {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
    };

    explicit RecordingMessageBoxPresenter(int answer = IDOK) : answer_(answer) {}
    int Show(HWND owner, const std::string& text, const std::string& caption, UINT type) override;

    void SetAnswer(int answer);
    std::vector<Box> Boxes() const;
    std::size_t Count() const;
    void Clear();

  private:
    mutable std::mutex mutex_;
    int answer_;
    std::vector<Box> boxes_;
};

}  // namespace quorvex::platform
