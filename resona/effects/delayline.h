// The ring buffers every effect uses. A DelayLine keeps one write position per channel; a
// TapLine (the reverb's room models) shares one position between both channels. Both arrays are
// zero-filled when allocated; reads at an offset count from the position, modulo the size.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace resona::effects {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
// calloc rather than a vector: a long line that a short file never fills stays untouched.
template <class T>
using Zeroed = std::unique_ptr<T[], FreeDeleter>;
using ZeroedArray = Zeroed<int32_t>;

template <class T = int32_t>
inline Zeroed<T> AllocateZeroed(int64_t size) {
  if (size <= 0 || uint64_t(size) > SIZE_MAX / sizeof(T)) return nullptr;
  return Zeroed<T>(static_cast<T*>(std::calloc(size_t(size), sizeof(T))));
}

// (pos + offset) mod size, moved into 0..size-1.
inline int32_t WrapIndex(int64_t pos, int64_t offset, int32_t size) {
  int64_t i = pos + offset;
  if (i >= 0 && i < size) return int32_t(i);
  if (i < 0 && i >= -int64_t(size)) return int32_t(i + size);
  if (i >= size && i < 2 * int64_t(size)) return int32_t(i - size);
  i %= size;
  return int32_t(i < 0 ? i + size : i);
}

// The elements are 32-bit; the echo's line at the wide widths keeps 64-bit ones.
template <class T>
class BasicDelayLine {
 public:
  // Only when not allocated yet; false when memory runs out (the line then holds nothing).
  bool Allocate(int64_t size, int channels) {
    if (size_ != 0) return true;
    if (size > INT32_MAX) return false;
    Zeroed<T> left = AllocateZeroed<T>(size), right;
    if (!left) return false;
    if (channels == 2 && !(right = AllocateZeroed<T>(size))) return false;
    arrays_[0] = std::move(left);
    arrays_[1] = std::move(right);
    size_ = int32_t(size);
    pos_[0] = pos_[1] = 0;
    return true;
  }
  void Free() {
    arrays_[0].reset();
    arrays_[1].reset();
    size_ = pos_[0] = pos_[1] = 0;
  }
  int32_t Size() const { return size_; }
  int32_t Position(int channel) const { return pos_[channel]; }

  // Offset 0 reads the element the next write overwrites: the one written `size` steps ago.
  T Read(int channel, int64_t offset) const {
    return arrays_[channel][WrapIndex(pos_[channel], offset, size_)];
  }
  T ReadAtPosition(int channel) const { return arrays_[channel][pos_[channel]]; }
  // The channel's array, for loops that index it themselves.
  const T* Data(int channel) const { return arrays_[channel].get(); }
  T* Data(int channel) { return arrays_[channel].get(); }
  void SetPosition(int channel, int32_t pos) { pos_[channel] = pos; }
  void Write(int channel, T value) {
    arrays_[channel][pos_[channel]] = value;
    if (++pos_[channel] == size_) pos_[channel] = 0;
  }
  // Empties the line: contents and positions back to 0.
  void Clear() {
    for (int c = 0; c < 2; ++c) {
      if (arrays_[c])
        for (int32_t i = 0; i < size_; ++i) arrays_[c][i] = 0;
      pos_[c] = 0;
    }
  }

 private:
  Zeroed<T> arrays_[2];
  int32_t size_ = 0;
  int32_t pos_[2] = {0, 0};
};
using DelayLine = BasicDelayLine<int32_t>;

// The two channels' elements side by side, so that both can be loaded and stored at once.
class TapLine {
 public:
  bool Allocate(int64_t size, int /*channels*/) {
    if (size_ != 0) return true;
    if (size > INT32_MAX / 2) return false;
    ZeroedArray pairs = AllocateZeroed(2 * size);
    if (!pairs) return false;
    pairs_ = std::move(pairs);
    size_ = int32_t(size);
    pos_ = 0;
    return true;
  }
  int32_t Size() const { return size_; }
  // The two elements at an offset already reduced modulo the size (0 <= offset < size), left
  // first.
  int32_t* Pair(int32_t offset) {
    int32_t i = pos_ + offset;
    if (i >= size_) i -= size_;
    return &pairs_[2 * int64_t(i)];
  }
  int32_t& At(int channel, int32_t offset) { return Pair(offset)[channel]; }
  void Advance() {
    if (++pos_ == size_) pos_ = 0;
  }

 private:
  ZeroedArray pairs_;
  int32_t size_ = 0;
  int32_t pos_ = 0;
};

}  // namespace resona::effects
