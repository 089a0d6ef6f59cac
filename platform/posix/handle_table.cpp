// Process-wide table of the kernel objects behind HANDLE values.
#include "handle_table.h"

namespace quorvex::platform::internal {

HandleTable& HandleTable::Instance() {
    // Never destroyed: handles may still be closed from static destructors.
    static HandleTable* table = new HandleTable;
    return *table;
}

HANDLE HandleTable::Add(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> lock(mutex_);
    // Small multiples of 4 far below any heap address, so they never meet
    // the data addresses that AddAt uses as keys.
    HANDLE handle = reinterpret_cast<HANDLE>(next_);
    next_ += 4;
    objects_[handle] = std::move(object);
    return handle;
}

bool HandleTable::AddAt(HANDLE handle, std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> lock(mutex_);
    return objects_.emplace(handle, std::move(object)).second;
}

std::shared_ptr<KernelObject> HandleTable::Remove(HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = objects_.find(handle);
    if (it == objects_.end()) return nullptr;
    auto object = std::move(it->second);
    objects_.erase(it);
    return object;
}

std::shared_ptr<KernelObject> HandleTable::Find(HANDLE handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : it->second;
}

}  // namespace quorvex::platform::internal
