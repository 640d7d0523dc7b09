// Memory and disk figures of the operating system, for the About box.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct MemoryStatus {
  uint64_t totalPhysical = 0;  // bytes
  uint32_t load = 0;           // percent of physical memory in use, 0..100
};
std::optional<MemoryStatus> QueryMemoryStatus();

// Bytes available to an unprivileged user on the file system that holds `path`.
std::optional<uint64_t> FreeDiskBytes(const std::string& path);

}  // namespace platform
