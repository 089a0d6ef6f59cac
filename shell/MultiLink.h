// The interface of the host's multi-link library ("Portlane.dll"): its entry
// point "CreateInstance" takes the library's module handle and returns a link
// object. The order of the virtual operations is the library's binary
// interface. The module uses only the two slot tests; the other operations
// are carried so that the table lines up with the library's.
#pragma once

#include "platform/wintypes.h"

class IBase {
  public:
    virtual ~IBase() = default;

    // The two tests that make a device slot free: both answer 0 for a slot in
    // which a device is attached and no link holds it.
    virtual int TestSlotAttached(int slot) = 0;
    virtual int TestSlotIdle(int slot) = 0;

    // Operations of the library that the module does not call.
    virtual int Operation2(int) = 0;
    virtual int Operation3(int) = 0;
    virtual int Operation4(int) = 0;
    virtual int Operation5(int) = 0;
    virtual int Operation6(int) = 0;
    virtual int Operation7(int) = 0;
    virtual int Operation8(int) = 0;
    virtual int Operation9(int) = 0;
    virtual int Operation10(int) = 0;
    virtual int Operation11(int) = 0;
    virtual int Operation12(int) = 0;
    virtual int Operation13(int) = 0;
    virtual int Operation14(int) = 0;
    virtual int Operation15(int) = 0;
    virtual int Operation16(int) = 0;
    virtual int Operation17(int) = 0;
    virtual int Operation18(int) = 0;
    virtual int Operation19(int) = 0;
    virtual int Operation20(int) = 0;
};

// A link object that answers -1 (not served) to every operation the module
// does not call; link objects derive from it and give the two slot tests.
class CLinkObjectBase : public IBase {
  public:
    int Operation2(int) override { return -1; }
    int Operation3(int) override { return -1; }
    int Operation4(int) override { return -1; }
    int Operation5(int) override { return -1; }
    int Operation6(int) override { return -1; }
    int Operation7(int) override { return -1; }
    int Operation8(int) override { return -1; }
    int Operation9(int) override { return -1; }
    int Operation10(int) override { return -1; }
    int Operation11(int) override { return -1; }
    int Operation12(int) override { return -1; }
    int Operation13(int) override { return -1; }
    int Operation14(int) override { return -1; }
    int Operation15(int) override { return -1; }
    int Operation16(int) override { return -1; }
    int Operation17(int) override { return -1; }
    int Operation18(int) override { return -1; }
    int Operation19(int) override { return -1; }
    int Operation20(int) override { return -1; }
};

// The library's entry point.
using PFN_CREATE_LINK_INSTANCE = IBase* (*)(HMODULE library);

#define MULTI_LINK_LIBRARY "Portlane.dll"
#define MULTI_LINK_ENTRY_POINT "CreateInstance"
// Device slots 0 .. MULTI_LINK_SLOT_COUNT - 1.
#define MULTI_LINK_SLOT_COUNT 5
