// The framework's clipboard data object: attaches to what the clipboard holds
// and hands out its items as storage media the caller owns.
#pragma once

#include "platform/ole.h"
#include "platform/wintypes.h"

class COleDataObject {
  public:
    COleDataObject() = default;
    ~COleDataObject() { Release(); }
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    // Takes the clipboard's current contents as this object's data. The
    // clipboard is read when an item is asked for, as with the system's own
    // clipboard object, so attaching never waits for another thread.
    BOOL AttachClipboard();
    void Release();
    bool IsAttached() const { return m_bAttached; }

    // Whether the clipboard holds an item of the format (and, when given, of
    // an aspect and medium the item can be had in). Needs AttachClipboard.
    BOOL IsDataAvailable(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc = nullptr);
    // A copy of the item in a new global block of the item's size. FALSE
    // when not attached, the format is missing, the description asks for
    // another aspect or medium, or the clipboard is open in another thread.
    BOOL GetData(CLIPFORMAT cfFormat, LPSTGMEDIUM lpStgMedium, LPFORMATETC lpFormatEtc = nullptr);

  private:
    bool m_bAttached = false;
};
