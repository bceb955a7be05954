// SPDX-License-Identifier: LGPL-2.1-or-later
// The open links, by handle. Handles are small positive integers handed out in increasing
// order and not reused while the process lives, so a handle kept after a close can never
// reach a later link; 0 is never a handle.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "ModbusLink.h"

namespace reader {

class LinkTable {
  public:
    // 0 when no handle is left (after 2^31 opens).
    int32_t add(std::shared_ptr<ModbusLink> link);
    std::shared_ptr<ModbusLink> find(int32_t handle) const;
    std::shared_ptr<ModbusLink> remove(int32_t handle);

  private:
    mutable std::mutex mutex_;
    std::map<int32_t, std::shared_ptr<ModbusLink>> links_;
    int32_t lastHandle_ = 0;
};

}  // namespace reader
