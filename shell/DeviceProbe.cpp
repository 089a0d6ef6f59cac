// Probing the device slots of the multi-link library. Each probe loads the
// library, makes one link object, asks it and lets both go again, so a
// library that appears or disappears between probes is always seen as it is.
#include <memory>

#include "platform/module.h"
#include "quorvex/QuorvexManager.h"
#include "shell/MultiLink.h"

namespace {

// Stands in for the library's link object when the library or its entry
// point is missing: no slot ever answers 0.
class CStandbyLink : public CLinkObjectBase {
  public:
    explicit CStandbyLink(HMODULE library) : m_hLibrary(library) {}
    ~CStandbyLink() override {
        if (m_hLibrary != nullptr) FreeLibrary(m_hLibrary);
    }
    CStandbyLink(const CStandbyLink&) = delete;
    CStandbyLink& operator=(const CStandbyLink&) = delete;

    int TestSlotAttached(int) override { return -1; }
    int TestSlotIdle(int) override { return -1; }

  private:
    HMODULE m_hLibrary;
};

// A link object of the library, destroyed before the library is released:
// its destructor is the library's own code.
class LinkObject {
  public:
    LinkObject() {
        HMODULE library = LoadLibraryA(MULTI_LINK_LIBRARY);
        // Through void (*)(): the generic pointer type every platform's FARPROC converts from.
        auto create = library
                          ? reinterpret_cast<PFN_CREATE_LINK_INSTANCE>(reinterpret_cast<void (*)()>(
                                GetProcAddress(library, MULTI_LINK_ENTRY_POINT)))
                          : nullptr;
        IBase* link = create ? create(library) : nullptr;
        if (link != nullptr) {
            m_pLink = link;
            m_hLibrary = library;
        } else {
            m_pLink = new CStandbyLink(library);
        }
    }
    ~LinkObject() {
        delete m_pLink;
        if (m_hLibrary != nullptr) FreeLibrary(m_hLibrary);
    }
    LinkObject(const LinkObject&) = delete;
    LinkObject& operator=(const LinkObject&) = delete;

    IBase& object() const { return *m_pLink; }

  private:
    IBase* m_pLink = nullptr;
    HMODULE m_hLibrary = nullptr;  // set only when the library made the object
};

bool SlotFree(IBase& link, int slot) {
    return link.TestSlotAttached(slot) == 0 && link.TestSlotIdle(slot) == 0;
}

// The first free slot after `after` on one link object, or -1.
int NextFreeSlot(IBase& link, int after) {
    for (int slot = after < 0 ? 0 : after + 1; slot < MULTI_LINK_SLOT_COUNT; ++slot) {
        if (SlotFree(link, slot)) return slot;
    }
    return -1;
}

}  // namespace

bool CQuorvexManager::FindFreeDevice() {
    LinkObject link;
    const bool found = NextFreeSlot(link.object(), -1) >= 0;
    m_nDeviceAbsent = found ? 0 : 1;
    return found;
}

bool CQuorvexManager::IsDeviceFree(int slot) {
    LinkObject link;
    return SlotFree(link.object(), slot);
}

int CQuorvexManager::GetNextFreeDevice(int after) {
    if (after >= MULTI_LINK_SLOT_COUNT - 1) return -1;
    LinkObject link;
    return NextFreeSlot(link.object(), after);
}

int CQuorvexManager::GetFirstFreeDevice() {
    return GetNextFreeDevice(-1);
}
