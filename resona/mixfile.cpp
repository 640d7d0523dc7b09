#include "mixfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace resona {

MixFile::~MixFile() { Close(); }

bool MixFile::Open(const char* path, uint8_t silence, int64_t limit) {
  Close();
  int fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  silence_ = silence;
  limit_ = limit;
  size_ = st.st_size;
  position_ = st.st_size;
  writeFailed_ = false;
  return true;
}

void MixFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void MixFile::Read(uint8_t* buffer, int64_t bytes) {
  int64_t inFile = std::clamp<int64_t>(size_ - position_, 0, bytes);
  int64_t done = 0;
  while (done < inFile) {
    ssize_t n = ::pread(fd_, buffer + done, size_t(inFile - done), off_t(position_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  std::memset(buffer + done, silence_, size_t(bytes - done));
}

bool MixFile::WriteAt(const uint8_t* buffer, int64_t bytes, int64_t at) {
  int64_t done = 0;
  while (done < bytes) {
    ssize_t n = ::pwrite(fd_, buffer + done, size_t(bytes - done), off_t(at + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  size_ = std::max(size_, at + done);
  return done == bytes;
}

void MixFile::Write(const uint8_t* buffer, int64_t bytes) {
  int64_t at = position_;
  position_ += bytes;
  bytes = std::min(bytes, limit_ - at);
  if (bytes <= 0 || fd_ < 0) return;
  if (at > size_) {
    // Silence the gap: a note that starts after the end of the file.
    if (silence_ == 0) {
      if (::ftruncate(fd_, off_t(at)) != 0) writeFailed_ = true;
      size_ = std::max(size_, at);
    } else {
      std::vector<uint8_t> fill(size_t(std::min<int64_t>(at - size_, 1 << 16)), silence_);
      while (size_ < at)
        if (!WriteAt(fill.data(), std::min<int64_t>(int64_t(fill.size()), at - size_), size_)) {
          writeFailed_ = true;
          return;
        }
    }
  }
  if (!WriteAt(buffer, bytes, at)) writeFailed_ = true;
}

bool MixFile::WriteAll(const uint8_t* buffer, int64_t bytes) {
  bool ok = WriteAt(buffer, bytes, position_);
  position_ += bytes;
  return ok;
}

}  // namespace resona
