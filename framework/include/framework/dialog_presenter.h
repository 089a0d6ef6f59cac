// The seam through which modal dialogs reach a user. The host installs a
// presenter; without one (headless) a dialog cannot be shown.
#pragma once

#include <deque>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/dialog_template.h"
#include "platform/wintypes.h"

class CDialog;

namespace quorvex::framework {

// Shows a dialog for one interaction and returns how it ended: IDOK, IDCANCEL
// (Escape), the id of another push button, or -1 when it cannot be shown. It
// may change `controls` as the user does. Called on the thread that runs
// DoModal, which it blocks; DoModal calls it again if the dialog's OK or
// Cancel handler keeps the dialog open.
class DialogPresenter {
  public:
    virtual ~DialogPresenter() = default;
    virtual INT_PTR Run(CDialog& dlg, const DialogTemplate& tmpl, DialogControls& controls) = 0;
};

// Installs `presenter` (not owned; it must outlive its installation) and
// returns the previous one. nullptr makes dialogs headless.
DialogPresenter* SetDialogPresenter(DialogPresenter* presenter);
DialogPresenter* GetDialogPresenter();

// Forwards to another presenter; derive to change one behaviour.
class DialogPresenterWrapper : public DialogPresenter {
  public:
    explicit DialogPresenterWrapper(DialogPresenter* target) : target_(target) {}
    INT_PTR Run(CDialog& dlg, const DialogTemplate& tmpl, DialogControls& controls) override {
        return target_->Run(dlg, tmpl, controls);
    }

  private:
    DialogPresenter* target_;
};

// Answers dialogs from a queue of scripted answers and records what was shown.
// With the queue empty, or a click on a control that cannot be clicked, a
// dialog ends with -1. Thread-safe.
class ScriptedDialogPresenter : public DialogPresenter {
  public:
    struct Shown {
        UINT template_id;
        std::string caption;
        std::map<int, int> checks;  // check states when the dialog appeared
    };

    // Clicks gather until Ok, Escape or End closes the answer.
    ScriptedDialogPresenter& Click(int control_id);
    ScriptedDialogPresenter& Ok() { return End(1); }
    ScriptedDialogPresenter& Escape() { return End(2); }
    ScriptedDialogPresenter& End(INT_PTR result);

    // Words "click ID", "ok", "escape" (or "cancel"), "end N", separated by
    // blanks or commas: "click 1032, ok". False, queuing nothing, when the
    // script holds anything else or does not end with an answer.
    bool AddScript(const std::string& script);

    INT_PTR Run(CDialog& dlg, const DialogTemplate& tmpl, DialogControls& controls) override;

    std::vector<Shown> shown() const;
    std::size_t pending() const;

  private:
    struct Answer {
        std::vector<int> clicks;
        INT_PTR result;
    };

    mutable std::mutex mutex_;
    std::vector<int> building_;
    std::deque<Answer> answers_;
    std::vector<Shown> shown_;
};

// Draws the dialog as text and reads the user's choice, one line at a time: a
// number clicks the numbered radio button or check box, an empty line is OK,
// "q" or Escape is Cancel. End of input cancels; a dialog run again after the
// input has ended gives -1.
class ConsoleDialogPresenter : public DialogPresenter {
  public:
    ConsoleDialogPresenter();  // standard input, standard error
    ConsoleDialogPresenter(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    INT_PTR Run(CDialog& dlg, const DialogTemplate& tmpl, DialogControls& controls) override;

  private:
    void Draw(const DialogTemplate& tmpl, const DialogControls& controls,
              const std::vector<int>& numbered) const;

    std::istream& in_;
    std::ostream& out_;
};

}  // namespace quorvex::framework
