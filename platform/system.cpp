#include "system.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>

namespace platform {

std::optional<MemoryStatus> QueryMemoryStatus() {
  struct sysinfo info {};
  if (::sysinfo(&info) != 0 || info.totalram == 0) return std::nullopt;
  const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
  const uint64_t total = uint64_t(info.totalram) * unit;
  // Free includes what the kernel gives back at once (buffers); page cache counts as used,
  // as the system's own figure did.
  const uint64_t available = (uint64_t(info.freeram) + uint64_t(info.bufferram)) * unit;
  MemoryStatus status;
  status.totalPhysical = total;
  status.load = uint32_t(100 - (available >= total ? 100 : available * 100 / total));
  return status;
}

std::optional<uint64_t> FreeDiskBytes(const std::string& path) {
  struct statvfs fs {};
  if (::statvfs(path.c_str(), &fs) != 0) return std::nullopt;
  return uint64_t(fs.f_bavail) * uint64_t(fs.f_frsize);
}

}  // namespace platform
