// The dialog template registry and the control states of a shown dialog.
#include "framework/dialog_template.h"

#include <mutex>
#include <utility>

#include "framework/module.h"

namespace quorvex::framework {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::pair<HINSTANCE, UINT>, DialogTemplate> templates;
};

Registry& TheRegistry() {
    static auto* registry = new Registry;  // modules may unregister during exit
    return *registry;
}

bool IsButtonWithState(const DialogControl& c) {
    return c.kind == ControlKind::kRadioButton || c.kind == ControlKind::kCheckBox;
}

}  // namespace

void RegisterDialogTemplate(HINSTANCE module, const DialogTemplate& tmpl) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.templates[{module, tmpl.id}] = tmpl;
}

void UnregisterDialogTemplates(HINSTANCE module) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (auto it = r.templates.begin(); it != r.templates.end();) {
        it = it->first.first == module ? r.templates.erase(it) : std::next(it);
    }
}

bool FindDialogTemplate(HINSTANCE module, UINT id, DialogTemplate* out) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.templates.find({module, id});
    if (it == r.templates.end()) return false;
    if (out) *out = it->second;
    return true;
}

bool LoadDialogTemplate(UINT id, DialogTemplate* out, HINSTANCE* found_in) {
    for (HINSTANCE module : ResourceSearchOrder()) {
        if (FindDialogTemplate(module, id, out)) {
            if (found_in) *found_in = module;
            return true;
        }
    }
    return false;
}

DialogControls::DialogControls(DialogTemplate tmpl) : template_(std::move(tmpl)) {
    for (const DialogControl& c : template_.controls) {
        if (IsButtonWithState(c)) checks_[c.id] = 0;
    }
}

int DialogControls::IndexOf(int id) const {
    if (id == kNoControlId) return -1;
    for (std::size_t i = 0; i < template_.controls.size(); ++i) {
        if (template_.controls[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

const DialogControl* DialogControls::Find(int id) const {
    const int i = IndexOf(id);
    return i < 0 ? nullptr : &template_.controls[static_cast<std::size_t>(i)];
}

int DialogControls::GetCheck(int id) const {
    const auto it = checks_.find(id);
    return it == checks_.end() ? 0 : it->second;
}

bool DialogControls::SetCheck(int id, int state) {
    const auto it = checks_.find(id);
    if (it == checks_.end() || state < 0 || state > 2) return false;
    it->second = state;
    return true;
}

std::vector<int> DialogControls::RadioGroupFrom(int first_id) const {
    return RadioGroupFromIndex(IndexOf(first_id));
}

std::vector<int> DialogControls::RadioGroupFromIndex(int first) const {
    std::vector<int> group;
    if (first < 0) return group;
    const auto& controls = template_.controls;
    for (std::size_t i = static_cast<std::size_t>(first); i < controls.size(); ++i) {
        if (i != static_cast<std::size_t>(first) && (controls[i].flags & kFirstOfGroup)) break;
        if (controls[i].kind == ControlKind::kRadioButton) group.push_back(controls[i].id);
    }
    return group;
}

bool DialogControls::Click(int id) {
    const int index = IndexOf(id);
    if (index < 0) return false;
    const auto& controls = template_.controls;
    const DialogControl& c = controls[static_cast<std::size_t>(index)];
    if (c.kind == ControlKind::kCheckBox) {
        checks_[id] = checks_[id] == 1 ? 0 : 1;
        return true;
    }
    if (c.kind != ControlKind::kRadioButton) return false;
    int start = index;
    while (start > 0 && !(controls[static_cast<std::size_t>(start)].flags & kFirstOfGroup)) --start;
    for (int other : RadioGroupFromIndex(start)) {
        checks_[other] = other == id ? 1 : 0;
    }
    checks_[id] = 1;  // a button before any group start is a group of its own
    return true;
}

}  // namespace quorvex::framework
