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

bool MixFile::HoldInMemory() {
  if (fd_ < 0 || memory_ || window_ || position_ != size_ || limit_ <= size_) return false;
  // The whole file up to the limit, shared: what is mixed there is the file. Only the part
  // within the file's length on disk is ever touched.
  const int64_t page = ::sysconf(_SC_PAGESIZE);
  const int64_t mapped = (limit_ + page - 1) / page * page;
  void* map = ::mmap(nullptr, size_t(mapped), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (map == MAP_FAILED) return false;
  map_ = static_cast<uint8_t*>(map);
  mapped_ = mapped;
  base_ = size_;
  memory_ = map_ + base_;
  capacity_ = limit_ - size_;
  onDisk_ = size_;
  return true;
}

bool MixFile::Grow(int64_t end) {
  if (end <= onDisk_) return true;
  // Silence written through the descriptor, as the silence pass writes it: the disk's blocks
  // are taken now, so that touching the mapping never meets a full disk. A little ahead, so
  // that a song's tail grows the file a few times only.
  static constexpr int64_t kAhead = 1 << 20;
  const int64_t target = std::min(limit_, std::max(end, onDisk_ + kAhead));
  const std::vector<uint8_t> fill(size_t(std::min<int64_t>(target - onDisk_, kAhead)), silence_);
  const int64_t size = size_;
  while (onDisk_ < target)
    if (!WriteAt(fill.data(), std::min<int64_t>(int64_t(fill.size()), target - onDisk_), onDisk_)) {
      size_ = size;
      return onDisk_ >= end;
    }
  size_ = size;  // silence past the mix does not count as mixed
  return true;
}

void MixFile::OpenWindow(MixFile& whole, int64_t from, int64_t to) {
  window_ = true;
  whole_ = &whole;
  grows_ = to == whole.limit_;
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
  for (int i = 0; i < count; ++i) {
    size_ = std::max(size_, windows[i].size_);
    if (windows[i].writeFailed_) writeFailed_ = true;
  }
  if (!Grow(size_)) writeFailed_ = true;
  if (silence_ != 0)
    for (int i = 0; i < count; ++i) {
      const MixFile& w = windows[i];
      const int64_t end = std::min({w.to_, size_, onDisk_});
      if (end > w.filled_) std::memset(memory_ + (w.filled_ - base_), silence_, size_t(end - w.filled_));
    }
}

void MixFile::Prefault() {
#ifdef MADV_POPULATE_WRITE
  if (!memory_ || window_) return;
  const int64_t page = ::sysconf(_SC_PAGESIZE);
  const int64_t from = base_ / page * page;
  const int64_t to = std::min(onDisk_, base_ + capacity_);
  if (to > from) ::madvise(map_ + from, size_t(to - from), MADV_POPULATE_WRITE);
#endif
}

void MixFile::Release() {
  if (map_ && !window_) ::munmap(map_, size_t(mapped_));
  map_ = memory_ = nullptr;
  capacity_ = mapped_ = 0;
}

bool MixFile::Flush() {
  // The mix is in the file already; the silence written ahead of it goes.
  if (!memory_) return true;
  bool ok = true;
  if (onDisk_ > size_ && ::ftruncate(fd_, off_t(size_)) != 0) ok = false;
  onDisk_ = size_;
  return ok;
}

bool MixFile::Reach(int64_t at, int64_t bytes) {
  if (!memory_) return false;
  if (at < base_ || at + bytes > base_ + capacity_ || !Grow(at + bytes)) {
    // No room on disk for it: from here on the song is mixed through the file's descriptor,
    // which meets the same failure the streamed form would.
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
  if (window_) {
    // Only after a window could not grow the file: its frames are lost, the render fails.
    std::memset(buffer, silence_, size_t(bytes));
    return;
  }
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
  onDisk_ = std::max(onDisk_, at + done);
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
    if (grows_ && at + bytes > whole_->onDisk_ && !whole_->Grow(at + bytes)) {
      writeFailed_ = true;
      return nullptr;
    }
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
  if (window_) return;  // see Read
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
  bool ok = WriteAt(buffer, bytes, position_);
  position_ += bytes;
  return ok;
}

}  // namespace resona
