#include "fastfile.h"

#include "platform/filesystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonemill {
namespace {

[[noreturn]] void Fail(const char* what, const std::string& name) {
  throw EInOutError(std::string(what) + " error on " + name + ": " + std::strerror(errno));
}

}  // namespace

TFastFile::TFastFile(const std::string& fileName, bool readOnly, bool create)
    : name_(platform::NativePath(fileName)) {
  if (create) {
    fd_ = ::open(name_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    BufLast = 0;
    AtEnd = true;
    FileLast = -1;
    return;
  }
  // Non-blocking open, so that a FIFO does not wait for a writer; only regular files are read.
  fd_ = ::open(name_.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) return;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  FileLast = int64_t(st.st_size) - 1;
  Reload(0);
  AtEnd = FileLast < 0;
}

TFastFile::~TFastFile() {
  try {
    Close();
  } catch (const EInOutError&) {
  }
}

void TFastFile::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  try {
    Flush();
  } catch (...) {
    ::close(fd);
    fd_ = -1;
    throw;
  }
  fd_ = -1;
  if (::close(fd) != 0) Fail("Close", name_);
}

void TFastFile::Flush() {
  if (!Dirty) return;
  const uint8_t* p = Buffer.data();
  int64_t left = BufLast - BufStart + 1;
  int64_t at = BufStart;
  while (left > 0) {
    ssize_t n = ::pwrite(fd_, p, size_t(left), off_t(at));
    if (n <= 0) Fail("Write", name_);
    p += n;
    at += n;
    left -= n;
  }
  Dirty = false;
}

void TFastFile::Reload(int64_t position) {
  Flush();
  BufStart = position - position % BufSize;
  BufEnd = BufStart + BufSize - 1;
  int64_t got = 0;
  while (got < BufSize) {
    ssize_t n = ::pread(fd_, Buffer.data() + got, size_t(BufSize - got), off_t(BufStart + got));
    if (n < 0) Fail("Read", name_);
    if (n == 0) break;
    got += n;
  }
  // Bytes past the end read as 0, so that a gap left by writing past the end is zeros.
  std::memset(Buffer.data() + got, 0, size_t(BufSize - got));
  BufLast = BufStart + got - 1;
  Dirty = false;
}

void TFastFile::WriteByte(uint8_t b) {
  if (Position < BufStart || Position > BufEnd) Reload(Position);
  Buffer[size_t(Position - BufStart)] = b;
  Dirty = true;
  if (BufLast < Position) BufLast = Position;
  if (FileLast < Position) FileLast = Position;
  ++Position;
  if (Position > FileLast) AtEnd = true;
}

void TFastFile::SeekTo(int64_t position) {
  Position = position;
  if (position > FileLast) {
    AtEnd = true;
    return;
  }
  AtEnd = false;
  if (position < BufStart || position > BufEnd) Reload(position);
}

// Words are addressed at the even offset at or just below the position within the window.
int16_t TFastFile::ReadWord() {
  if (Position < BufStart || (Position >= BufEnd && !AtEnd)) {
    Reload(Position);
    AtEnd = Position > BufLast;
  }
  if (AtEnd) return 0;
  const size_t at = size_t(Position - BufStart) & ~size_t(1);
  const int16_t w = int16_t(uint16_t(Buffer[at] | (Buffer[at + 1] << 8)));
  Position += 2;
  if (Position > FileLast) AtEnd = true;
  return w;
}

void TFastFile::WriteWord(int16_t w) {
  if (Position < BufStart || Position >= BufEnd) Reload(Position);
  const size_t at = size_t(Position - BufStart) & ~size_t(1);
  Buffer[at] = uint8_t(uint16_t(w));
  Buffer[at + 1] = uint8_t(uint16_t(w) >> 8);
  Dirty = true;
  if (BufLast < Position + 1) BufLast = Position + 1;
  if (FileLast < Position + 1) FileLast = Position + 1;
  Position += 2;
  // The end is passed once the position is beyond the last byte, as for every other operation.
  if (Position > FileLast) AtEnd = true;
}

}  // namespace tonemill
