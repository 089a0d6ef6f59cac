// The installed dialog presenter and the scripted presenter.
#include "framework/dialog_presenter.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "framework/dialog.h"

namespace quorvex::framework {
namespace {

std::atomic<DialogPresenter*>& Installed() {
    static std::atomic<DialogPresenter*> presenter{nullptr};
    return presenter;
}

// A decimal integer spanning the whole word.
bool ParseInt(const std::string& word, long* out) {
    if (word.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0') return false;
    *out = v;
    return true;
}

}  // namespace

DialogPresenter* SetDialogPresenter(DialogPresenter* presenter) {
    return Installed().exchange(presenter);
}

DialogPresenter* GetDialogPresenter() {
    return Installed().load();
}

ScriptedDialogPresenter& ScriptedDialogPresenter::Click(int control_id) {
    std::lock_guard<std::mutex> lock(mutex_);
    building_.push_back(control_id);
    return *this;
}

ScriptedDialogPresenter& ScriptedDialogPresenter::End(INT_PTR result) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(Answer{std::move(building_), result});
    building_.clear();
    return *this;
}

bool ScriptedDialogPresenter::AddScript(const std::string& script) {
    std::string spaced = script;
    for (char& c : spaced) {
        if (c == ',' || c == ';') c = ' ';
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::istringstream words(spaced);
    std::vector<Answer> parsed;
    std::vector<int> clicks;
    std::string word;
    while (words >> word) {
        long value = 0;
        if (word == "click" || word == "end") {
            std::string number;
            if (!(words >> number) || !ParseInt(number, &value)) return false;
            if (word == "click") {
                clicks.push_back(static_cast<int>(value));
                continue;
            }
        } else if (word == "ok") {
            value = IDOK;
        } else if (word == "escape" || word == "cancel") {
            value = IDCANCEL;
        } else {
            return false;
        }
        parsed.push_back(Answer{std::move(clicks), static_cast<INT_PTR>(value)});
        clicks.clear();
    }
    if (!clicks.empty() || parsed.empty()) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    for (Answer& a : parsed) answers_.push_back(std::move(a));
    return true;
}

INT_PTR ScriptedDialogPresenter::Run(CDialog&, const DialogTemplate& tmpl,
                                     DialogControls& controls) {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back(Shown{tmpl.id, tmpl.caption, controls.Checks()});
    if (answers_.empty()) return -1;
    const Answer answer = std::move(answers_.front());
    answers_.pop_front();
    for (int id : answer.clicks) {
        if (!controls.Click(id)) return -1;  // a script for another dialog
    }
    return answer.result;
}

std::vector<ScriptedDialogPresenter::Shown> ScriptedDialogPresenter::shown() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
}

std::size_t ScriptedDialogPresenter::pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answers_.size();
}

}  // namespace quorvex::framework
