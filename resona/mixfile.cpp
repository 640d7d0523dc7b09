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
  // The whole file up to the limit, in memory of the process's own (only the pages a song
  // touches are taken; not asked in large pages, whose compaction can stall a render for longer
  // than the mix takes); the file gets it in one pass at the end.
  // The disk's blocks are taken as the song grows, so a full disk shows where the streamed
  // form meets it.
  const int64_t page = ::sysconf(_SC_PAGESIZE);
  const int64_t mapped = (limit_ + page - 1) / page * page;
  void* map = ::mmap(nullptr, size_t(mapped), PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (map == MAP_FAILED) return false;
  map_ = static_cast<uint8_t*>(map);
  mapped_ = mapped;
  base_ = size_;
  memory_ = map_ + base_;
  capacity_ = limit_ - size_;
  onDisk_ = size_;
  return true;
}

bool MixFile::Reserve(int64_t at, int64_t bytes) {
  if (bytes <= 0) return true;
  if (silence_ != 0) std::memset(memory_ + (at - base_), silence_, size_t(bytes));
  if (::fallocate(fd_, 0, off_t(at), off_t(bytes)) != 0) return false;
  size_ = std::max(size_, at + bytes);
  onDisk_ = std::max(onDisk_, at + bytes);
  return true;
}

int64_t MixFile::WriteOutRange(int64_t from, int64_t to) {
  while (from < to) {
    const ssize_t n = ::pwrite(fd_, map_ + from, size_t(to - from), off_t(from));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    from += n;
  }
  return from;
}

bool MixFile::WriteOut() {
  // From the file's start, so that whole pages go: the header as the file holds it now.
  int64_t header = 0;
  while (header < base_) {
    const ssize_t n = ::pread(fd_, map_ + header, size_t(base_ - header), off_t(header));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    header += n;
  }
  if (header < base_) return false;
  // Whole pages straight from memory where the file system takes them so (the song is written
  // once and not read back: copying it through the page cache costs more than the mix), the
  // rest and anything it refuses through the cache.
  const int64_t pages = size_ / 4096 * 4096;
  int64_t done = 0;
  const int flags = ::fcntl(fd_, F_GETFL);
  if (pages > 0 && flags >= 0 && ::fcntl(fd_, F_SETFL, flags | O_DIRECT) == 0) {
    done = WriteOutRange(0, pages) / 4096 * 4096;
    ::fcntl(fd_, F_SETFL, flags);
  }
  return WriteOutRange(done, size_) == size_;
}

bool MixFile::Grow(int64_t end) {
  if (end <= onDisk_) return true;
  // The disk's blocks are taken now, as the silence pass takes them (or silence written through
  // the descriptor where they cannot be), so that the mix meets a full disk where the streamed
  // form does. A little ahead, so that a song's tail grows the file a few times only.
  static constexpr int64_t kAhead = 1 << 20;
  const int64_t target = std::min(limit_, std::max(end, onDisk_ + kAhead));
  const int64_t size = size_;
  if (memory_ && Reserve(onDisk_, target - onDisk_)) {
    size_ = size;
    return true;
  }
  const std::vector<uint8_t> fill(size_t(std::min<int64_t>(target - onDisk_, kAhead)), silence_);
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
  if (!memory_) return;
  const int64_t page = ::sysconf(_SC_PAGESIZE);
  // A window: the silence of its range; else the whole file's length.
  const int64_t from = (window_ ? from_ : base_) / page * page;
  const int64_t to = window_ ? filled_ : std::min(onDisk_, base_ + capacity_);
  uint8_t* map = memory_ - base_;  // offset 0 of the file
  if (to > from) ::madvise(map + from, size_t(to - from), MADV_POPULATE_WRITE);
#endif
}

void MixFile::Release() {
  if (map_ && !window_) ::munmap(map_, size_t(mapped_));
  map_ = memory_ = nullptr;
  capacity_ = mapped_ = 0;
}

bool MixFile::Flush() {
  // The mix goes to the file; the blocks taken ahead of it go.
  if (!memory_) return true;
  bool ok = WriteOut();
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
  // Memory past the end has never been written, so it still holds zeros.
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
  // In memory the silence is there already (or set here); on disk its blocks are taken.
  if (memory_ && !window_ && position_ == size_ && position_ + bytes <= base_ + capacity_ &&
      Reserve(position_, bytes)) {
    position_ += bytes;
    return true;
  }
  bool ok = WriteAt(buffer, bytes, position_);
  position_ += bytes;
  return ok;
}

}  // namespace resona
