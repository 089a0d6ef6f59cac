// Dialog templates as data: the caption, size and controls of a dialog
// resource, registered under the module that owns it, and the check states of
// a dialog's controls while it is shown.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace quorvex::framework {

enum class ControlKind { kGroupBox, kRadioButton, kCheckBox, kPushButton, kDefPushButton, kStatic };

// Control style bits.
inline constexpr unsigned kFirstOfGroup = 0x1;  // starts a group (radio buttons)
inline constexpr unsigned kTabStop = 0x2;

inline constexpr int kNoControlId = -1;  // group boxes and labels without an id

struct DialogControl {
    int id;
    std::string text;  // '&' marks a mnemonic, "&&" is a literal '&'
    ControlKind kind;
    unsigned flags;
    int x, y, width, height;  // dialog units
};

struct DialogTemplate {
    UINT id = 0;
    std::string caption;
    int width = 0, height = 0;            // dialog units
    bool system_menu = false;             // a close box in the caption
    std::vector<DialogControl> controls;  // in tab order
};

// Registers (or replaces) template `tmpl.id` of `module`. Thread-safe.
void RegisterDialogTemplate(HINSTANCE module, const DialogTemplate& tmpl);
// Removes every template of `module`, as when the module is unloaded.
void UnregisterDialogTemplates(HINSTANCE module);
// Template `id` of exactly `module`.
bool FindDialogTemplate(HINSTANCE module, UINT id, DialogTemplate* out);
// Template `id` from the first module of the resource search order that has
// it; `found_in` (optional) receives that module.
bool LoadDialogTemplate(UINT id, DialogTemplate* out, HINSTANCE* found_in = nullptr);

// Check states of the buttons of one shown dialog: 0 clear, 1 checked,
// 2 indeterminate. Every radio button and check box starts clear.
class DialogControls {
  public:
    explicit DialogControls(DialogTemplate tmpl);

    const DialogTemplate& dialog_template() const { return template_; }
    const DialogControl* Find(int id) const;

    // 0 for a control that is not a radio button or check box.
    int GetCheck(int id) const;
    // False (nothing changes) for a control that is not a radio button or
    // check box, or a state outside 0..2.
    bool SetCheck(int id, int state);

    // Radio buttons from `first_id` up to the next control that starts a
    // group, in template order: the buttons that data exchange numbers 0, 1 ...
    std::vector<int> RadioGroupFrom(int first_id) const;

    // What a mouse click does: a radio button becomes the checked one of its
    // group, a check box toggles. False for any other control.
    bool Click(int id);

    std::map<int, int> Checks() const { return checks_; }

  private:
    int IndexOf(int id) const;
    std::vector<int> RadioGroupFromIndex(int first) const;

    DialogTemplate template_;
    std::map<int, int> checks_;
};

}  // namespace quorvex::framework
