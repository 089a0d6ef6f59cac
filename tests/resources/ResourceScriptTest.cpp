// The resource script (Quorvex.rc with resource.h) and the dialog tables the
// module registers must describe the same dialogs: each table, written out as
// the script's statements, must be found in the script word for word, so the
// Windows build and the console presenter show the same dialogs.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "framework/dialog_template.h"
#include "resources/ModuleResources.h"

namespace {

using quorvex::framework::ControlKind;
using quorvex::framework::DialogTemplate;

// A file of the resource folder with every run of blanks as one space.
std::string Words(const std::string& name) {
    std::ifstream in(std::string(QUORVEX_RESOURCE_DIR) + "/" + name);
    std::string text, word;
    while (in >> word) text += word + " ";
    return text;
}

// Symbol names of resource.h by value, with the predefined ones.
std::map<int, std::string> Symbols() {
    std::map<int, std::string> names{{1, "IDOK"}, {2, "IDCANCEL"}, {-1, "IDC_STATIC"}};
    std::istringstream header(Words("resource.h"));
    for (std::string word, name; header >> word;) {
        if (word == "#define" && header >> name >> word) names[std::stoi(word)] = name;
    }
    return names;
}

// The script's statements for `d`, one space between words.
std::string Script(const DialogTemplate& d, std::map<int, std::string>& names) {
    std::ostringstream out;
    out << names[static_cast<int>(d.id)] << " DIALOGEX 0, 0, " << d.width << ", " << d.height
        << " STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION"
        << (d.system_menu ? " | WS_SYSMENU" : "") << " CAPTION \"" << d.caption
        << "\" FONT 8, \"MS Shell Dlg\" BEGIN ";
    for (const auto& c : d.controls) {
        const char* keyword[] = {"GROUPBOX",   "CONTROL",       "CONTROL",
                                 "PUSHBUTTON", "DEFPUSHBUTTON", "LTEXT"};
        out << keyword[static_cast<int>(c.kind)] << " \"" << c.text << "\", " << names[c.id]
            << ", ";
        if (c.kind == ControlKind::kRadioButton || c.kind == ControlKind::kCheckBox) {
            out << "\"Button\", "
                << (c.kind == ControlKind::kRadioButton ? "BS_AUTORADIOBUTTON" : "BS_AUTOCHECKBOX")
                << (c.flags & quorvex::framework::kFirstOfGroup ? " | WS_GROUP" : "")
                << (c.flags & quorvex::framework::kTabStop ? " | WS_TABSTOP" : "") << ", ";
        }
        out << c.x << ", " << c.y << ", " << c.width << ", " << c.height << " ";
    }
    out << "END ";
    return out.str();
}

TEST(ResourceScriptTest, ScriptAndTablesDescribeTheSameDialogs) {
    const std::string script = Words("Quorvex.rc");
    std::map<int, std::string> names = Symbols();
    std::size_t dialogs = 0;
    for (std::size_t at = 0; (at = script.find(" DIALOGEX ", at + 1)) != std::string::npos;)
        ++dialogs;
    EXPECT_EQ(dialogs, 2u);
    for (const DialogTemplate& table : {TargetTypeDialogTemplate(), SettingsDialogTemplate()}) {
        const std::string expected = Script(table, names);
        EXPECT_NE(script.find(expected), std::string::npos) << expected << "\nnot in\n" << script;
    }
}

}  // namespace
