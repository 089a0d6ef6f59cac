// Process-wide table of the kernel objects behind HANDLE values, so that every
// call can tell a live handle from a closed or made-up one.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/wintypes.h"

namespace quorvex::platform::internal {

class KernelObject {
  public:
    virtual ~KernelObject() = default;
};

class HandleTable {
  public:
    static HandleTable& Instance();

    // Stores `object` under a new opaque value that is never handed out twice.
    HANDLE Add(std::shared_ptr<KernelObject> object);
    // Stores `object` under a value the caller chose (the data address of a
    // fixed memory block). False when that value is taken.
    bool AddAt(HANDLE handle, std::shared_ptr<KernelObject> object);

    // The object behind `handle` if it is live and of type T, else null.
    template <typename T>
    std::shared_ptr<T> Get(HANDLE handle) const {
        return std::dynamic_pointer_cast<T>(Find(handle));
    }
    // Removes the entry and gives the object back (null when unknown), so the
    // caller can still finish with it.
    std::shared_ptr<KernelObject> Remove(HANDLE handle);
    // Removes the entry only when it holds an object of type T.
    template <typename T>
    std::shared_ptr<T> RemoveIf(HANDLE handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end()) return nullptr;
        auto typed = std::dynamic_pointer_cast<T>(it->second);
        if (typed) objects_.erase(it);
        return typed;
    }

  private:
    std::shared_ptr<KernelObject> Find(HANDLE handle) const;

    mutable std::mutex mutex_;
    std::map<HANDLE, std::shared_ptr<KernelObject>> objects_;
    std::uintptr_t next_ = 0x10000;
};

}  // namespace quorvex::platform::internal
