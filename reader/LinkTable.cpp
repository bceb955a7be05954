// SPDX-License-Identifier: LGPL-2.1-or-later
#include "LinkTable.h"

#include <limits>

namespace reader {

int32_t LinkTable::add(std::shared_ptr<ModbusLink> link) {
    std::lock_guard lock(mutex_);
    if (lastHandle_ == std::numeric_limits<int32_t>::max()) {
        return 0;
    }
    ++lastHandle_;
    links_.emplace(lastHandle_, std::move(link));
    return lastHandle_;
}

std::shared_ptr<ModbusLink> LinkTable::find(int32_t handle) const {
    std::lock_guard lock(mutex_);
    const auto it = links_.find(handle);
    return it == links_.end() ? nullptr : it->second;
}

std::shared_ptr<ModbusLink> LinkTable::remove(int32_t handle) {
    std::lock_guard lock(mutex_);
    const auto it = links_.find(handle);
    if (it == links_.end()) {
        return nullptr;
    }
    auto link = std::move(it->second);
    links_.erase(it);
    return link;
}

}  // namespace reader
