// The library's file access: a source read at given offsets, and a target written through a
// buffer whose every write and whose close are checked. A target that the conversion gives up
// on is removed, unless it is not a regular file (a device such as /dev/full stays).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dft {

class Source {
 public:
  Source() = default;
  ~Source();
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;

  // Opens a regular file for reading; false when it cannot be opened or is not a regular file.
  bool Open(const char* path);
  uint64_t Size() const { return size_; }
  // Reads up to `count` bytes at `offset`; returns how many came (fewer at the end or on an
  // error).
  size_t ReadAt(uint64_t offset, void* out, size_t count) const;
  // True when `path` names this very file (also through a link).
  bool IsFile(const char* path) const;

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t device_ = 0, inode_ = 0;
};

class Target {
 public:
  Target() = default;
  ~Target();  // abandons an unfinished target
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  bool Create(const char* path);
  // Writes at the cursor. False once any write has failed; the failure sticks.
  bool Write(const void* data, size_t count);
  // Moves the cursor (for header fields written after the data).
  bool Seek(uint64_t position);
  uint64_t Tell() const { return bufferStart_ + buffer_.size(); }
  // Flushes and closes; false when a write or the close failed.
  bool Finish();
  // Closes and removes what was written.
  void Abandon();

 private:
  bool Flush();
  int fd_ = -1;
  bool regular_ = false;
  bool failed_ = false;
  std::string path_;
  std::vector<uint8_t> buffer_;
  uint64_t bufferStart_ = 0;
};

}  // namespace dft
