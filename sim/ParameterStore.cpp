// SPDX-License-Identifier: LGPL-2.1-or-later
#include "ParameterStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "FactoryImage.h"

namespace sim {
namespace {

std::string errnoText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The temporary files save() makes for path: its name, ".", six characters of mkstemp.
bool isTemporaryOf(const std::string& name, const std::string& file) {
    if (name.size() != file.size() + 7 || name.compare(0, file.size(), file) != 0 ||
        name[file.size()] != '.') {
        return false;
    }
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(file.size()) + 1, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// A reader killed between creating and renaming its temporary file leaves it behind.
void removeLeftovers(const std::string& path) {
    const std::string dir = directoryOf(path);
    const std::string file = fileNameOf(path);
    DIR* folder = ::opendir(dir.c_str());
    if (!folder) {
        return;
    }
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(folder)) {
        if (isTemporaryOf(entry->d_name, file)) {
            leftovers.push_back(dir + "/" + entry->d_name);
        }
    }
    ::closedir(folder);
    for (const std::string& leftover : leftovers) {
        struct stat st {};
        if (::lstat(leftover.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            ::unlink(leftover.c_str());
        }
    }
}

}  // namespace

ParameterStore::ParameterStore(const batchtext::Memory& initial) : memory_(initial) {}

std::function<int(int)>& ParameterStore::directorySync() {
    static std::function<int(int)> sync = ::fsync;
    return sync;
}

ParameterStore ParameterStore::open(const std::string& path) {
    return open(path, factoryImage());
}

ParameterStore ParameterStore::open(const std::string& path, const batchtext::Memory& initial) {
    removeLeftovers(path);
    if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
        ParameterStore store(initial);
        std::string error;
        if (!save(path, store.memory_, &error)) {
            throw std::runtime_error(error);
        }
        store.path_ = path;
        return store;
    }
    ParameterStore store(load(path));
    store.path_ = path;
    return store;
}

batchtext::Memory ParameterStore::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(errnoText("cannot read", path));
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const batchtext::ParsedText parsed = batchtext::parse(text);
    if (!parsed.rejected.empty()) {
        const auto& bad = parsed.rejected.front();
        std::ostringstream message;
        message << path << ": line " << bad.lineNumber << ": " << batchtext::describe(bad.error);
        throw std::runtime_error(message.str());
    }
    batchtext::Memory memory{};
    std::array<bool, batchtext::kBlockCount> seen{};
    for (std::size_t i = 0; i < parsed.blocks.size(); ++i) {
        const auto& line = parsed.blocks[i];
        if (seen[line.block]) {
            // Every line was accepted, so the i-th block is the (i+1)-th line.
            std::ostringstream message;
            message << path << ": line " << i + 1 << ": block " << std::hex << std::uppercase
                    << line.block << " given twice";
            throw std::runtime_error(message.str());
        }
        seen[line.block] = true;
        std::copy(line.bytes.begin(), line.bytes.end(),
                  memory.begin() + line.block * batchtext::kBlockSize);
    }
    const auto missing = std::find(seen.begin(), seen.end(), false);
    if (missing != seen.end()) {
        std::ostringstream message;
        message << path << ": block " << std::hex << std::uppercase << (missing - seen.begin())
                << " is missing";
        throw std::runtime_error(message.str());
    }
    return memory;
}

bool ParameterStore::save(const std::string& path, const batchtext::Memory& memory,
                          std::string* error, bool* replaced) {
    if (replaced) {
        *replaced = false;
    }
    const std::string dir = directoryOf(path);
    std::string tempName = path + ".XXXXXX";
    std::vector<char> buffer(tempName.begin(), tempName.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) {
        *error = errnoText("cannot create a temporary file for", path);
        return false;
    }
    tempName = buffer.data();
    const std::string text = batchtext::formatMemory(memory);
    // mkstemp creates 0600; a memory file is ordinary data.
    ::fchmod(fd, 0644);
    if (!writeAll(fd, text) || ::fsync(fd) != 0) {
        *error = errnoText("cannot write", tempName);
        ::close(fd);
        ::unlink(tempName.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        *error = errnoText("cannot write", tempName);
        ::unlink(tempName.c_str());
        return false;
    }
    if (::rename(tempName.c_str(), path.c_str()) != 0) {
        *error = errnoText("cannot replace", path);
        ::unlink(tempName.c_str());
        return false;
    }
    if (replaced) {
        *replaced = true;
    }
    // The rename itself must reach the disk too.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0 || directorySync()(dirFd) != 0) {
        *error = errnoText("cannot sync the folder of", path);
        if (dirFd >= 0) {
            ::close(dirFd);
        }
        return false;
    }
    ::close(dirFd);
    return true;
}

bool ParameterStore::write(std::size_t address, std::span<const std::uint8_t> bytes) {
    if (address + bytes.size() > memory_.size()) {
        lastError_ = "write beyond the parameter memory";
        return false;
    }
    if (std::equal(bytes.begin(), bytes.end(), memory_.begin() + address)) {
        return true;
    }
    batchtext::Memory next = memory_;
    std::copy(bytes.begin(), bytes.end(), next.begin() + address);
    bool replaced = false;
    if (!path_.empty() && !save(path_, next, &lastError_, &replaced)) {
        if (replaced) {
            memory_ = next;  // what the file holds, and what a restart would load
        }
        return false;
    }
    memory_ = next;
    return true;
}

}  // namespace sim
