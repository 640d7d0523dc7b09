// Sequential byte streams over the effects' files, with buffers of their own: stdio's byte
// calls take a lock per call once the process has a second thread, and the frame moves every
// byte of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace resona::effects {

constexpr size_t kStreamBuffer = 88200;

class ByteReader {
 public:
  ByteReader() = default;
  ~ByteReader();
  ByteReader(const ByteReader&) = delete;
  ByteReader& operator=(const ByteReader&) = delete;

  bool Open(const char* path, int64_t offset);
  // Reads up to `count` bytes; fewer only at the end of the file (or on a read error).
  size_t Read(uint8_t* out, size_t count);
  // Back to `offset` from the start of the file.
  bool Seek(int64_t offset);

 private:
  int fd_ = -1;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0, end_ = 0;
};

class ByteWriter {
 public:
  ByteWriter() = default;
  ~ByteWriter();
  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;

  // Creates or truncates the file.
  bool Create(const char* path);
  void Write(const uint8_t* data, size_t count);
  // Flushes and closes; false when any write failed.
  bool Close();

 private:
  bool Flush();
  int fd_ = -1;
  bool failed_ = false;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
};

// The file's size, or -1.
int64_t FileSize(const char* path);

}  // namespace resona::effects
