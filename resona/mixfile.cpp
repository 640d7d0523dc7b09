#include "mixfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
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

bool MixFile::Close() {
  bool ok = true;
  if (window_) {
    memory_ = nullptr;
    window_ = false;
  } else if (memory_) {
    ok = Flush();
    Release();
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  return ok;
}

bool MixFile::HoldInMemory(int64_t reserve) {
  if (fd_ < 0 || memory_ || window_ || position_ != size_ || reserve < 0) return false;
  const int64_t capacity = limit_ - size_;
  if (capacity <= 0 || reserve > capacity) return false;
  const int64_t page = ::sysconf(_SC_PAGESIZE);
  const int64_t mapped = (capacity + page - 1) / page * page;
  void* memory = ::mmap(nullptr, size_t(mapped), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (memory == MAP_FAILED) return false;
  ::madvise(memory, size_t(mapped), MADV_HUGEPAGE);  // fewer faults; a hint only
  if (reserve > 0 && ::posix_fallocate(fd_, off_t(size_), off_t(reserve)) != 0) {
    // Whatever part got allocated goes again: the streamed form meets the same failure itself.
    if (::ftruncate(fd_, off_t(size_)) != 0) {
    }
    ::munmap(memory, size_t(mapped));
    return false;
  }
  memory_ = static_cast<uint8_t*>(memory);
  mapped_ = mapped;
  base_ = size_;
  capacity_ = capacity;
  onDisk_ = size_ + reserve;
  return true;
}

void MixFile::OpenWindow(const MixFile& whole, int64_t from, int64_t to) {
  window_ = true;
  memory_ = whole.memory_;
  base_ = whole.base_;
  capacity_ = whole.capacity_;
  silence_ = whole.silence_;
  limit_ = whole.limit_;
  size_ = whole.size_;
  position_ = whole.position_;
  from_ = from;
  to_ = to;
  filled_ = std::clamp(whole.size_, from, to);
}

void MixFile::Absorb(const MixFile* windows, int count) {
  for (int i = 0; i < count; ++i) size_ = std::max(size_, windows[i].size_);
  if (silence_ != 0)
    for (int i = 0; i < count; ++i) {
      const MixFile& w = windows[i];
      const int64_t end = std::min(w.to_, size_);
      if (end > w.filled_) std::memset(memory_ + (w.filled_ - base_), silence_, size_t(end - w.filled_));
    }
}

void MixFile::Release() {
  if (memory_ && !window_) ::munmap(memory_, size_t(mapped_));
  memory_ = nullptr;
  capacity_ = mapped_ = 0;
}

void MixFile::TrimReserve() {
  if (!memory_ || onDisk_ <= size_) return;
  if (::ftruncate(fd_, off_t(size_)) != 0) writeFailed_ = true;
  onDisk_ = size_;
}

bool MixFile::Flush() {
  if (!memory_) return true;
  bool ok = WriteAt(memory_, size_ - base_, base_);
  if (ok && onDisk_ > size_ && ::ftruncate(fd_, off_t(size_)) != 0) ok = false;
  onDisk_ = size_;
  return ok;
}

bool MixFile::Reach(int64_t at, int64_t bytes) {
  if (!memory_) return false;
  if (at < base_ || at + bytes > base_ + capacity_) {
    // Past the budget: from here on the song is mixed in the file.
    if (!Flush()) writeFailed_ = true;
    Release();
    return false;
  }
  // Memory past the end has never been written, so it still holds the mapping's zeros.
  if (silence_ != 0 && at + bytes > size_)
    std::memset(memory_ + (size_ - base_), silence_, size_t(at + bytes - size_));
  return true;
}

void MixFile::Read(uint8_t* buffer, int64_t bytes) {
  int64_t inFile = std::clamp<int64_t>(size_ - position_, 0, bytes);
  int64_t done = 0;
  if (memory_ && position_ >= base_ && position_ + inFile <= base_ + capacity_) {
    std::memcpy(buffer, memory_ + (position_ - base_), size_t(inFile));
    done = inFile;
  }
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

void MixFile::Owned(int64_t at, int32_t frames, int32_t frameBytes, int32_t& first,
                    int32_t& last) const {
  first = 0;
  last = frames;
  if (!window_) return;
  first = int32_t(std::clamp<int64_t>((from_ - at) / frameBytes, 0, frames));
  last = int32_t(std::clamp<int64_t>((to_ - at) / frameBytes, first, frames));
}

uint8_t* MixFile::ModifyAt(int64_t at, int64_t bytes) {
  if (window_) {
    if (silence_ != 0 && at + bytes > filled_)
      std::memset(memory_ + (filled_ - base_), silence_, size_t(at + bytes - filled_));
    filled_ = std::max(filled_, at + bytes);
    size_ = std::max(size_, at + bytes);
    return memory_ + (at - base_);
  }
  if (!memory_ || !Reach(at, bytes)) return nullptr;
  size_ = std::max(size_, at + bytes);
  return memory_ + (at - base_);
}

void MixFile::Extend(int64_t end) {
  if (window_ || (memory_ && Reach(size_, std::max<int64_t>(0, end - size_))))
    size_ = std::max(size_, end);
}

void MixFile::Write(const uint8_t* buffer, int64_t bytes) {
  int64_t at = position_;
  position_ += bytes;
  bytes = std::min(bytes, limit_ - at);
  if (bytes <= 0 || fd_ < 0) return;
  if (memory_ && Reach(at, bytes)) {
    std::memcpy(memory_ + (at - base_), buffer, size_t(bytes));
    size_ = std::max(size_, at + bytes);
    return;
  }
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
  if (memory_ && Reach(position_, bytes)) {
    // The buffer holds silence, which Reach has just put there.
    position_ += bytes;
    size_ = std::max(size_, position_);
    return true;
  }
  bool ok = WriteAt(buffer, bytes, position_);
  position_ += bytes;
  return ok;
}

}  // namespace resona
