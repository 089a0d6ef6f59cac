// A multi-link library for the probing tests, loaded at run time under the
// platform's file name of "Portlane.dll". Slot states come from the variable
// PORTLANE_SLOTS, read whenever a link object is made: one letter per slot,
// 'f' free, 'b' attached but held by another link, anything else (or a
// missing letter) no device. Every call is logged for the test to read.
#include <cstdlib>
#include <string>

#include "shell/MultiLink.h"

namespace {

std::string& CallLog() {
    static std::string log;
    return log;
}

class PortlaneLink : public CLinkObjectBase {
  public:
    PortlaneLink() {
        const char* slots = std::getenv("PORTLANE_SLOTS");
        slots_ = slots ? slots : "";
        CallLog() += "create;";
    }
    ~PortlaneLink() override { CallLog() += "destroy;"; }

    int TestSlotAttached(int slot) override {
        Log("attached", slot);
        const char state = StateOf(slot);
        return state == 'f' || state == 'b' ? 0 : -1;
    }
    int TestSlotIdle(int slot) override {
        Log("idle", slot);
        return StateOf(slot) == 'f' ? 0 : 1;
    }

  private:
    char StateOf(int slot) const {
        return slot >= 0 && static_cast<std::size_t>(slot) < slots_.size() ? slots_[slot] : '-';
    }
    static void Log(const char* test, int slot) {
        CallLog() += std::string(test) + "(" + std::to_string(slot) + ");";
    }

    std::string slots_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) IBase* CreateInstance(HMODULE) {
    return new PortlaneLink();
}

// The calls since the last read, then cleared.
extern "C" __attribute__((visibility("default"))) const char* PortlaneTakeCallLog() {
    static std::string taken;
    taken = CallLog();
    CallLog().clear();
    return taken.c_str();
}
