// Message boxes of the operating-system stand-in. There is no screen: a box is
// handed to the message box presenter that the host installed.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/wintypes.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONERROR 0x00000010L
#define MB_ICONHAND MB_ICONERROR
#define MB_ICONSTOP MB_ICONERROR
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONEXCLAMATION MB_ICONWARNING
#define MB_ICONINFORMATION 0x00000040L
#define MB_ICONASTERISK MB_ICONINFORMATION
#define MB_ICONMASK 0x000000F0L
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Shows the box through the current presenter and returns its answer. A null
// text reads as empty, a null caption as "Error".
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

inline int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return MessageBoxA(owner, text, caption, type);
}

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
