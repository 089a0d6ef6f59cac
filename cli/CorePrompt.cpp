// Asking for the target core, one line at a time.
#include "CorePrompt.h"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/msgbox.h"

namespace quorvex::cli {

INT_PTR CorePrompt::Run(CDialog&, const framework::DialogTemplate& tmpl,
                        framework::DialogControls& controls) {
    std::vector<int> choices;
    out_ << tmpl.caption << ":\n";
    for (const framework::DialogControl& c : tmpl.controls) {
        if (c.kind != framework::ControlKind::kRadioButton) continue;
        choices.push_back(c.id);
        out_ << "  " << choices.size() << ") " << c.text << "\n";
    }
    for (;;) {
        out_ << "Choose 1-" << choices.size() << " (Enter or q cancels): ";
        out_.flush();
        std::string line;
        if (!std::getline(in_, line)) {
            out_ << "\n";
            break;
        }
        const auto first = line.find_first_not_of(" \t\r");
        const std::string answer =
            first == std::string::npos
                ? ""
                : line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
        if (answer.empty() || answer == "q" || answer == "Q") break;
        if (answer.size() == 1 && answer[0] >= '1' &&
            static_cast<std::size_t>(answer[0] - '0') <= choices.size()) {
            controls.Click(choices[answer[0] - '1']);
            return IDOK;
        }
        out_ << "Not a choice: " << answer << "\n";
    }
    return IDCANCEL;
}

}  // namespace quorvex::cli
