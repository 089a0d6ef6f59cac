// The resource script (Quorvex.rc with resource.h) read back and compared
// with the dialog tables the module registers: ids, captions, sizes, control
// kinds, texts, places and styles must agree, so the Windows build and the
// console presenter show the same dialogs.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "framework/dialog_template.h"
#include "resources/ModuleResources.h"

namespace {

using quorvex::framework::ControlKind;
using quorvex::framework::DialogControl;
using quorvex::framework::DialogTemplate;

std::string ReadFile(const std::string& name) {
    std::ifstream in(std::string(QUORVEX_RESOURCE_DIR) + "/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    return first == std::string::npos ? ""
                                      : s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Splits at commas outside quotes; a quoted item keeps its text without quotes.
std::vector<std::string> Items(const std::string& text) {
    std::vector<std::string> items(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            items.push_back("");
        } else {
            items.back() += c;
        }
    }
    for (auto& item : items) item = Trim(item);
    return items;
}

class ResourceScript {
  public:
    ResourceScript() {
        symbols_ = {{"IDOK", 1}, {"IDCANCEL", 2}, {"IDC_STATIC", -1}};
        std::istringstream header(ReadFile("resource.h"));
        std::string define, name;
        int value = 0;
        for (std::string line; std::getline(header, line);) {
            std::istringstream words(line);
            if (words >> define >> name >> value && define == "#define") symbols_[name] = value;
        }
        Parse(ReadFile("Quorvex.rc"));
    }

    const std::map<int, DialogTemplate>& dialogs() const { return dialogs_; }

  private:
    int Symbol(const std::string& name) const {
        auto it = symbols_.find(name);
        return it == symbols_.end() ? -1000 : it->second;
    }

    void Parse(const std::string& script) {
        std::istringstream in(script);
        DialogTemplate* dialog = nullptr;
        std::vector<std::string> statements;
        bool body = false;
        for (std::string line; std::getline(in, line);) {
            const std::string text = Trim(line);
            if (text.find("DIALOGEX") != std::string::npos) {
                std::istringstream words(text);
                std::string name, keyword;
                words >> name >> keyword;
                const std::vector<std::string> box = Items(text.substr(text.find("DIALOGEX") + 8));
                dialog = &dialogs_[Symbol(name)];
                dialog->id = static_cast<UINT>(Symbol(name));
                dialog->width = std::stoi(box.at(2));
                dialog->height = std::stoi(box.at(3));
            } else if (dialog && text.rfind("STYLE", 0) == 0) {
                dialog->system_menu = text.find("WS_SYSMENU") != std::string::npos;
            } else if (dialog && text.rfind("CAPTION", 0) == 0) {
                dialog->caption = Items(text.substr(7)).at(0);
            } else if (dialog && text == "BEGIN") {
                body = true;
            } else if (dialog && text == "END") {
                for (const std::string& s : statements) dialog->controls.push_back(Control(s));
                statements.clear();
                body = false;
                dialog = nullptr;
            } else if (body && !text.empty()) {
                const bool continuation = line.find_first_not_of(' ') > 8;
                if (continuation && !statements.empty()) {
                    statements.back() += " " + text;
                } else {
                    statements.push_back(text);
                }
            }
        }
    }

    // One control statement: KEYWORD "text", id, [class, style,] x, y, w, h.
    DialogControl Control(const std::string& statement) const {
        const std::string keyword = statement.substr(0, statement.find(' '));
        const std::vector<std::string> items = Items(statement.substr(keyword.size()));
        DialogControl c{Symbol(items.at(1)), items.at(0), ControlKind::kStatic, 0, 0, 0, 0, 0};
        std::size_t place = 2;
        if (keyword == "GROUPBOX") {
            c.kind = ControlKind::kGroupBox;
        } else if (keyword == "DEFPUSHBUTTON") {
            c.kind = ControlKind::kDefPushButton;
        } else if (keyword == "PUSHBUTTON") {
            c.kind = ControlKind::kPushButton;
        } else if (keyword == "CONTROL") {
            const std::string& style = items.at(3);
            c.kind = style.find("RADIO") != std::string::npos ? ControlKind::kRadioButton
                                                              : ControlKind::kCheckBox;
            if (style.find("WS_GROUP") != std::string::npos)
                c.flags |= quorvex::framework::kFirstOfGroup;
            if (style.find("WS_TABSTOP") != std::string::npos)
                c.flags |= quorvex::framework::kTabStop;
            place = 4;
        }
        c.x = std::stoi(items.at(place));
        c.y = std::stoi(items.at(place + 1));
        c.width = std::stoi(items.at(place + 2));
        c.height = std::stoi(items.at(place + 3));
        return c;
    }

    std::map<std::string, int> symbols_;
    std::map<int, DialogTemplate> dialogs_;
};

std::string Describe(const DialogTemplate& d) {
    std::ostringstream out;
    out << d.id << " \"" << d.caption << "\" " << d.width << "x" << d.height
        << (d.system_menu ? " sysmenu" : "") << "\n";
    for (const DialogControl& c : d.controls) {
        out << "  " << c.id << " kind " << static_cast<int>(c.kind) << " flags " << c.flags << " \""
            << c.text << "\" " << c.x << "," << c.y << "," << c.width << "," << c.height << "\n";
    }
    return out.str();
}

TEST(ResourceScriptTest, ScriptAndTablesDescribeTheSameDialogs) {
    const ResourceScript script;
    ASSERT_EQ(script.dialogs().size(), 2u);
    for (const DialogTemplate& table : {TargetTypeDialogTemplate(), SettingsDialogTemplate()}) {
        auto it = script.dialogs().find(static_cast<int>(table.id));
        ASSERT_NE(it, script.dialogs().end()) << table.id;
        EXPECT_EQ(Describe(it->second), Describe(table));
    }
}

}  // namespace
