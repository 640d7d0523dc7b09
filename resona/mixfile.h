// The output WAV file used as the mix buffer: blocks are read at the current position
// (silence beyond the end of the file), modified and written back.
#pragma once

#include <cstdint>

namespace resona {

class MixFile {
 public:
  MixFile() = default;
  ~MixFile();
  MixFile(const MixFile&) = delete;
  MixFile& operator=(const MixFile&) = delete;

  // Opens an existing file for reading and writing. `silence` is the byte that silence is made
  // of; nothing is ever written at or beyond `limit` bytes.
  bool Open(const char* path, uint8_t silence, int64_t limit);
  void Close();

  int64_t Position() const { return position_; }
  void Seek(int64_t position) { position_ = position; }
  void Skip(int64_t bytes) { position_ += bytes; }
  int64_t Limit() const { return limit_; }

  // Reads `bytes` at the current position without moving it.
  void Read(uint8_t* buffer, int64_t bytes);
  // Writes `bytes` at the current position and moves past them. A gap between the end of the
  // file and the position is filled with silence first.
  void Write(const uint8_t* buffer, int64_t bytes);
  // Appends silence, for the silence pass. False when fewer bytes than asked were written.
  bool WriteAll(const uint8_t* buffer, int64_t bytes);
  bool WriteFailed() const { return writeFailed_; }

 private:
  bool WriteAt(const uint8_t* buffer, int64_t bytes, int64_t at);
  int fd_ = -1;
  uint8_t silence_ = 0;
  int64_t limit_ = 0;
  int64_t position_ = 0;
  int64_t size_ = 0;
  bool writeFailed_ = false;
};

}  // namespace resona
