// TFastFile: a buffered random-access byte file with one 16384-byte window, through which the
// program moves sample and MIDI bytes one at a time.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tonemill {

// A read, write or seek of an opened file failed.
class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFastFile {
 public:
  static constexpr int64_t BufSize = 16384;

  // With `create` the file is created (or emptied) for writing; otherwise an existing file is
  // opened, read-only when `readOnly`, and its first window loaded. `Opened` tells the outcome.
  TFastFile(const std::string& fileName, bool readOnly, bool create);
  ~TFastFile();  // flushes; errors at this point are lost, call Close to see them
  TFastFile(const TFastFile&) = delete;
  TFastFile& operator=(const TFastFile&) = delete;

  bool Opened() const { return fd_ >= 0; }
  // Flushes a dirty window and closes; throws EInOutError when the flush fails.
  void Close();

  uint8_t ReadByte() {
    if (Position < BufStart || (Position > BufEnd && !AtEnd)) {
      Reload(Position);
      AtEnd = Position > BufLast;
    }
    if (AtEnd) return 0;
    const uint8_t b = Buffer[size_t(Position - BufStart)];
    ++Position;
    if (Position > FileLast) AtEnd = true;
    return b;
  }
  void WriteByte(uint8_t b);
  void SeekTo(int64_t position);
  int64_t Size() const { return FileLast + 1; }
  int16_t ReadWord();
  void WriteWord(int16_t w);

  int64_t BufStart = 0;
  int64_t BufEnd = BufSize - 1;
  int64_t Position = 0;
  int64_t BufLast = -1;
  int64_t FileLast = -1;
  bool Dirty = false;
  bool AtEnd = true;

 private:
  void Reload(int64_t position);
  void Flush();

  int fd_ = -1;
  std::string name_;
  std::array<uint8_t, BufSize> Buffer{};
};

}  // namespace tonemill
