#include "streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace resona::effects {

ByteReader::~ByteReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool ByteReader::Open(const char* path, int64_t offset) {
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  buffer_.resize(kStreamBuffer);
  return Seek(offset);
}

bool ByteReader::Seek(int64_t offset) {
  begin_ = end_ = 0;
  return ::lseek(fd_, off_t(offset), SEEK_SET) == off_t(offset);
}

size_t ByteReader::Read(uint8_t* out, size_t count) {
  size_t got = 0;
  while (got < count) {
    if (begin_ == end_) {
      ssize_t n;
      do n = ::read(fd_, buffer_.data(), buffer_.size());
      while (n < 0 && errno == EINTR);
      if (n <= 0) break;
      begin_ = 0;
      end_ = size_t(n);
    }
    const size_t take = std::min(count - got, end_ - begin_);
    std::memcpy(out + got, buffer_.data() + begin_, take);
    begin_ += take;
    got += take;
  }
  return got;
}

ByteWriter::~ByteWriter() {
  if (fd_ >= 0) ::close(fd_);
}

bool ByteWriter::Create(const char* path) {
  fd_ = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  buffer_.resize(kStreamBuffer);
  return true;
}

void ByteWriter::Write(const uint8_t* data, size_t count) {
  while (count > 0) {
    if (used_ == buffer_.size() && !Flush()) return;
    const size_t take = std::min(count, buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, data, take);
    used_ += take;
    data += take;
    count -= take;
  }
}

bool ByteWriter::Flush() {
  size_t done = 0;
  while (done < used_ && !failed_) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) failed_ = true;
    else done += size_t(n);
  }
  used_ = 0;
  return !failed_;
}

bool ByteWriter::Close() {
  if (fd_ < 0) return false;
  Flush();
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  return !failed_;
}

int64_t FileSize(const char* path) {
  struct stat st {};
  if (::stat(path, &st) != 0) return -1;
  return st.st_size;
}

}  // namespace resona::effects
