// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "model/BatchText.h"

namespace sim {

// The reader's 256-byte parameter memory, optionally kept in a file in the batch text format.
// Every change replaces the file atomically (temporary file in the same folder, fsync,
// rename), so a killed reader never leaves a torn file behind.
class ParameterStore {
  public:
    // Memory only, nothing persisted.
    explicit ParameterStore(const batchtext::Memory& initial);

    // Loads path, creating it with the factory image when it does not exist. Temporary
    // files of earlier saves of path that a killed reader left beside it are removed. Throws
    // std::runtime_error with a readable reason when the file cannot be read or created, or
    // does not hold exactly the 16 block lines.
    static ParameterStore open(const std::string& path);
    // The same, creating a missing file with initial instead of the factory image.
    static ParameterStore open(const std::string& path, const batchtext::Memory& initial);

    const batchtext::Memory& memory() const { return memory_; }
    const std::string& path() const { return path_; }

    // Stores bytes at address. Returns false when the change cannot be made durable;
    // lastError() then says why. Memory and file are unchanged then, except when the file was
    // replaced but its folder could not be synced: the memory follows the file, the change
    // may or may not survive a crash, and the write still fails.
    bool write(std::size_t address, std::span<const std::uint8_t> bytes);
    const std::string& lastError() const { return lastError_; }

    // Reads a memory file; throws std::runtime_error when it is not a complete memory image.
    static batchtext::Memory load(const std::string& path);
    // Replaces path atomically with memory; returns false and sets error on failure.
    // *replaced tells whether path holds the new memory even so (only its folder could not
    // be synced).
    static bool save(const std::string& path, const batchtext::Memory& memory, std::string* error,
                     bool* replaced = nullptr);

    // Syncs the folder after a rename; tests replace it to make that step fail.
    static std::function<int(int)>& directorySync();

  private:
    batchtext::Memory memory_{};
    std::string path_;
    std::string lastError_;
};

}  // namespace sim
