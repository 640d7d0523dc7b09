// Writing the converter's song list straight to its file: the song length, then per instrument
// a "{" block with its instrument line and one "[" block per key holding all its groups'
// events, CR LF line ends. Lines go out through a buffer; a list that would grow past its
// bound is refused before the line that would pass it, and nothing more is written.
#pragma once

#include "songlist.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tonemill {

class LstFileWriter {
 public:
  enum class Status { Ok, CannotCreate, WriteFailed, TooLarge };

  // Creates the file, or empties it.
  LstFileWriter(const std::string& path, int64_t maxBytes);
  ~LstFileWriter();
  LstFileWriter(const LstFileWriter&) = delete;
  LstFileWriter& operator=(const LstFileWriter&) = delete;

  bool Ok() const { return status_ == Status::Ok; }
  Status State() const { return status_; }

  void Line(std::string_view text);
  // "time KEYWORD value".
  void Event(const SongEvent& event);
  // Writes out what is buffered and closes the file; Ok when the whole list is there.
  Status Close();

 private:
  void Append(std::string_view text);
  bool Flush();

  int fd_ = -1;
  int64_t maxBytes_;
  int64_t accepted_ = 0;  // bytes written or buffered
  std::vector<char> buffer_;
  size_t used_ = 0;
  Status status_ = Status::Ok;
};

}  // namespace tonemill
