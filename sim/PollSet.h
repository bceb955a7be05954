// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <poll.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

namespace sim {

using Clock = std::chrono::steady_clock;

// The descriptors and the earliest deadline of one turn of the event loop.
class PollSet {
  public:
    // Returns the index of the entry, to look up its revents after the wait.
    std::size_t add(int fd, short events) {
        fds_.push_back(pollfd{fd, events, 0});
        return fds_.size() - 1;
    }
    void wakeAt(Clock::time_point when) {
        if (!deadline_ || when < *deadline_) {
            deadline_ = when;
        }
    }
    short revents(std::size_t index) const { return fds_[index].revents; }
    std::vector<pollfd>& fds() { return fds_; }
    const std::optional<Clock::time_point>& deadline() const { return deadline_; }

  private:
    std::vector<pollfd> fds_;
    std::optional<Clock::time_point> deadline_;
};

}  // namespace sim
