// An exclusive lock that guards the changes of one file among processes: whoever changes the file
// holds it while reading the file again, applying its change and putting the new file into place.
// The lock lies on a hidden file of its own beside the guarded one (".NAME.lock"), since the
// guarded file is replaced by a new one on every write. The system drops it when its holder
// ends, however it ends.
#pragma once

#include <string>

namespace platform {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Waits until the lock of the file at `path` is this process's. Not held when the lock file
  // cannot be opened: `error` then says why (the system's reason).
  static FileLock Acquire(const std::string& path, std::string* error = nullptr);
  // Takes the lock only if nobody holds it.
  static FileLock TryAcquire(const std::string& path);
  // The lock file of the file at `path`.
  static std::string LockPath(const std::string& path);

  bool IsHeld() const { return fd_ >= 0; }
  void Release();

 private:
  static FileLock Take(const std::string& path, bool wait, std::string* error);
  int fd_ = -1;
};

}  // namespace platform
