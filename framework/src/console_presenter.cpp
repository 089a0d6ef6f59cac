// A dialog drawn as text on a terminal, answered line by line.
#include <iostream>
#include <string>

#include "framework/dialog.h"
#include "framework/dialog_presenter.h"

namespace quorvex::framework {
namespace {

// The text without mnemonic markers: "&Settings" → "Settings", "&&" → "&".
std::string Plain(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

bool Inside(const DialogControl& inner, const DialogControl& box) {
    return inner.x >= box.x && inner.y >= box.y && inner.x + inner.width <= box.x + box.width &&
           inner.y + inner.height <= box.y + box.height;
}

// Two blanks per group box that encloses the control.
std::string IndentFor(const DialogTemplate& tmpl, const DialogControl& c) {
    std::string indent = "  ";
    for (const DialogControl& box : tmpl.controls) {
        if (&box != &c && box.kind == ControlKind::kGroupBox && Inside(c, box)) indent += "  ";
    }
    return indent;
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

ConsoleDialogPresenter::ConsoleDialogPresenter() : ConsoleDialogPresenter(std::cin, std::cerr) {}

void ConsoleDialogPresenter::Draw(const DialogTemplate& tmpl, const DialogControls& controls,
                                  const std::vector<int>& numbered) const {
    out_ << "\n=== " << Plain(tmpl.caption) << " ===\n";
    std::string buttons;
    for (const DialogControl& c : tmpl.controls) {
        const std::string indent = IndentFor(tmpl, c);
        switch (c.kind) {
            case ControlKind::kGroupBox:
            case ControlKind::kStatic:
                out_ << indent.substr(2) << Plain(c.text) << "\n";
                break;
            case ControlKind::kRadioButton:
            case ControlKind::kCheckBox: {
                std::size_t number = 0;
                while (numbered[number] != c.id) ++number;
                const bool on = controls.GetCheck(c.id) != 0;
                const char* mark = c.kind == ControlKind::kRadioButton ? (on ? "(*)" : "( )")
                                                                       : (on ? "[x]" : "[ ]");
                out_ << indent << number + 1 << ") " << mark << " " << Plain(c.text) << "\n";
                break;
            }
            case ControlKind::kPushButton:
            case ControlKind::kDefPushButton:
                if (!buttons.empty()) buttons += "  ";
                buttons += c.kind == ControlKind::kDefPushButton ? "<" + Plain(c.text) + ">"
                                                                 : "[" + Plain(c.text) + "]";
                break;
        }
    }
    if (!buttons.empty()) out_ << "  " << buttons << "\n";
}

INT_PTR ConsoleDialogPresenter::Run(CDialog&, const DialogTemplate& tmpl,
                                    DialogControls& controls) {
    if (!in_.good()) return -1;
    std::vector<int> numbered;
    for (const DialogControl& c : tmpl.controls) {
        if (c.kind == ControlKind::kRadioButton || c.kind == ControlKind::kCheckBox) {
            numbered.push_back(c.id);
        }
    }
    Draw(tmpl, controls, numbered);
    for (;;) {
        if (numbered.empty()) {
            out_ << "Enter = OK, q = Cancel: ";
        } else {
            out_ << "Choose 1-" << numbered.size() << ", Enter = OK, q = Cancel: ";
        }
        out_.flush();
        std::string line;
        if (!std::getline(in_, line)) {
            out_ << "\n";
            return IDCANCEL;
        }
        const std::string choice = Trimmed(line);
        if (choice.empty()) return IDOK;
        if (choice == "q" || choice == "Q" || choice == "\x1b") return IDCANCEL;
        std::size_t used = 0;
        unsigned long number = 0;
        try {
            number = std::stoul(choice, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == choice.size() && number >= 1 && number <= numbered.size()) {
            controls.Click(numbered[number - 1]);
            Draw(tmpl, controls, numbered);
        } else {
            out_ << "Not a choice: " << choice << "\n";
        }
    }
}

}  // namespace quorvex::framework
