#include "files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dft {
namespace {

constexpr size_t kBufferSize = 1 << 16;

}  // namespace

Source::~Source() {
  if (fd_ >= 0) ::close(fd_);
}

bool Source::Open(const char* path) {
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size_ = uint64_t(st.st_size);
  device_ = uint64_t(st.st_dev);
  inode_ = uint64_t(st.st_ino);
  return true;
}

size_t Source::ReadAt(uint64_t offset, void* out, size_t count) const {
  size_t done = 0;
  auto* bytes = static_cast<uint8_t*>(out);
  while (done < count) {
    const ssize_t n = ::pread(fd_, bytes + done, count - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  return done;
}

bool Source::IsFile(const char* path) const {
  struct stat st {};
  return ::stat(path, &st) == 0 && uint64_t(st.st_dev) == device_ && uint64_t(st.st_ino) == inode_;
}

Target::~Target() { Abandon(); }

bool Target::Create(const char* path) {
  fd_ = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  struct stat st {};
  regular_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
  path_ = path;
  buffer_.reserve(kBufferSize);
  return true;
}

bool Target::Flush() {
  size_t done = 0;
  while (!failed_ && done < buffer_.size()) {
    const ssize_t n =
        ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done, off_t(bufferStart_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) failed_ = true;
    else done += size_t(n);
  }
  bufferStart_ += buffer_.size();
  buffer_.clear();
  return !failed_;
}

bool Target::Write(const void* data, size_t count) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (count > 0 && !failed_) {
    if (buffer_.size() == kBufferSize && !Flush()) break;
    const size_t n = std::min(count, kBufferSize - buffer_.size());
    buffer_.insert(buffer_.end(), bytes, bytes + n);
    bytes += n;
    count -= n;
  }
  return !failed_;
}

bool Target::Seek(uint64_t position) {
  if (!Flush()) return false;
  bufferStart_ = position;
  return true;
}

bool Target::Finish() {
  if (fd_ < 0) return false;
  Flush();
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  if (failed_) {
    if (regular_) ::unlink(path_.c_str());
    return false;
  }
  path_.clear();
  return true;
}

void Target::Abandon() {
  if (fd_ >= 0) {
    // Emptied first: should the name be a link, the file behind it is not left looking whole.
    if (regular_) [[maybe_unused]] int ignored = ::ftruncate(fd_, 0);
    ::close(fd_);
    fd_ = -1;
    if (regular_) ::unlink(path_.c_str());
  }
  path_.clear();
}

}  // namespace dft
