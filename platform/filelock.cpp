#include "filelock.h"

#include "filesystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace platform {

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

std::string FileLock::LockPath(const std::string& path) {
  const std::string native = NativePath(path);
  const size_t slash = native.find_last_of('/');
  const std::string directory = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
  return directory + "." + name + ".lock";
}

FileLock FileLock::Take(const std::string& path, bool wait, std::string* error) {
  FileLock lock;
  const std::string lockPath = LockPath(path);
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return lock;
  }
  int result;
  do result = ::flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB);
  while (result != 0 && errno == EINTR);
  if (result != 0) {
    if (error) *error = std::strerror(errno);
    ::close(fd);
    return lock;
  }
  lock.fd_ = fd;
  return lock;
}

FileLock FileLock::Acquire(const std::string& path, std::string* error) { return Take(path, true, error); }

FileLock FileLock::TryAcquire(const std::string& path) { return Take(path, false, nullptr); }

void FileLock::Release() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

}  // namespace platform
