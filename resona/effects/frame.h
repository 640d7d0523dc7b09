// The frame every effect export runs in: read the input header, work out the range, write the
// output's header, copy the bytes before the range, process the range frame by frame, copy the
// rest, pad to an even size and rewrite the header. It turns bytes into sample values once;
// an effect supplies only its per-sample step (inlined through the template) and its state:
//
//   void BeginFrame();                      // before the channels of a frame
//   int32_t Step(int channel, int32_t x);   // x centred; returns the centred output, in range
//   void EndFrame();                        // after them
//
// or, where working a block of frames channel by channel is faster and gives the same bits,
//
//   void ProcessBlock(int32_t* const samples[2], int32_t frames, const bool process[2]);
//
// with the centred samples of each channel, replaced by the outputs of the processed ones.
//
// Progress counts bytes of the data chunk; a cancel pushes it past the range's end and the
// frame then finishes a well-formed, shorter file. The host's pump runs every 5001 steps of
// the copy and processing loops (one counter per call).
//
// Files of 8 and 16 bits go through the byte-level loops below unchanged. Wider files (24 and
// 32-bit PCM, 32 and 64-bit float) are decoded into planes of 32-bit samples: 24-bit ones as
// they are (±2^23), 32-bit ones as they are, float ones clamped to ±1.0 and scaled by 2^31.
// The effect sees those values and the range of its width (InputFormat::lo and hi); its
// outputs are encoded back into the file's own format. A channel left out keeps its bytes.
#pragma once

#include "status.h"
#include "streams.h"

#include <cstdint>
#include <vector>

namespace resona::effects {

struct EffectCall {
  const char* inFile = nullptr;
  const char* outFile = nullptr;
  int32_t startFrame = 0, endFrame = 0;
  int32_t leftOnly = 0, rightOnly = 0;
  int32_t* progress = nullptr;
  int32_t* total = nullptr;
};

// What the frame knows about an input: only whole frames that the file really holds count as
// data; a partial frame at the end, or a data chunk that claims more than the file has, is
// left out of the processing and of the output.
struct InputFormat {
  int32_t bits = 0, channels = 0, rate = 0;
  int32_t tag = 1;  // 1 PCM, 3 IEEE float
  int32_t bytesPerFrame = 0;
  int32_t lo = -32768, hi = 32767;  // the samples' range as the effects see them
  int64_t dataOffset = 0;
  int64_t dataBytes = 0;  // whole frames only
  int64_t frames = 0;
  // Anything but 8/16-bit PCM.
  bool Wide() const { return tag != 1 || bits > 16; }
  // 32-bit PCM or float: the full 32-bit range.
  bool Full() const { return Wide() && (tag != 1 || bits == 32); }
};

// Reads a WAV header as the effects accept it: a valid 8- or 16-bit PCM file at any rate, or a
// wider one that ReadWaveFormat accepts, with at least one whole frame. Also used for the
// vocoder's control file.
bool ReadInputFormat(const char* path, InputFormat& format);

// Counts steps and calls the host's pump each time 5001 are reached.
class PumpClock {
 public:
  static constexpr int32_t kInterval = 5001;
  int32_t Room() const { return kInterval - count_; }
  void Advance(int32_t steps);

 private:
  int32_t count_ = 0;
};

class EffectFrame {
 public:
  // Checks the pointers and the input; the range is clamped to the input's frames.
  int32_t Open(const EffectCall& call);
  const InputFormat& Input() const { return input_; }
  bool ProcessesChannel(int channel) const { return process_[channel]; }
  int32_t FirstFrame() const { return int32_t(start_ / input_.bytesPerFrame); }
  // Ends the range earlier (the vocoder's control file is shorter): at most `frames` frames.
  void LimitFrames(int64_t frames);

  // Sets total and progress, creates the output with a header and copies the prefix.
  int32_t Begin();
  // Work that precedes the range (the vocoder's prescan) counts into total, and into progress
  // as it is done; AdvanceExtra returns false once a cancel came.
  void AddExtraWork(int64_t bytes) { *call_.total = int32_t(*call_.total + bytes); }
  bool AdvanceExtra(int32_t bytes, int32_t steps);
  bool Cancelled() const { return *call_.progress >= *call_.total; }
  PumpClock& Clock() { return clock_; }

  template <class Effect>
  void Process(Effect& effect);

  // Copies the rest, closes, pads and rewrites the header.
  int32_t Finish();

 private:
  void CopyUntil(int64_t target);
  // The channels' sample planes, with room for `frames` samples each, and which of them the
  // effect processes (never a second one in a mono file).
  struct Planes {
    int32_t* samples[2];
    bool process[2];
  };
  Planes SamplePlanes(int32_t frames) {
    samples_[0].resize(size_t(frames));
    samples_[1].resize(size_t(frames));
    return {{samples_[0].data(), samples_[1].data()}, {process_[0], input_.channels == 2 && process_[1]}};
  }
  void Report() { *call_.progress = int32_t(extra_ + pos_); }
  bool RangeEnded() const { return int64_t(*call_.progress) - extra_ > end_; }

  EffectCall call_;
  InputFormat input_;
  bool process_[2] = {true, false};
  int64_t start_ = 0, end_ = 0;  // byte offsets into the data, inclusive
  int64_t pos_ = 0;              // bytes of the data consumed
  int64_t extra_ = 0;            // progress that is not data (the prescan's bytes)
  ByteReader reader_;
  ByteWriter writer_;
  PumpClock clock_;
  std::vector<uint8_t> block_;  // the block's bytes, and the decoder's slack
  std::vector<int32_t> samples_[2];
};

template <class Effect>
concept BlockEffect = requires(Effect& e, int32_t* const* samples, int32_t frames, const bool* process) {
  e.ProcessBlock(samples, frames, process);
};

namespace detail {

// A float sample as a 32-bit one: NaN is 0, the rest is clamped to ±1.0.
inline int32_t FromReal(double v) {
  if (!(v == v)) return 0;
  if (v >= 1.0) return INT32_MAX;
  if (v <= -1.0) return INT32_MIN;
  const double scaled = v * 2147483648.0;
  const int64_t r = int64_t(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
  return r > INT32_MAX ? INT32_MAX : int32_t(r);
}
inline double ToReal(int32_t v) { return double(v) * (1.0 / 2147483648.0); }

// The samples of one channel of a wide block, and back. The decoder may read up to
// kDecodeSlack bytes past the block's last frame: a buffer it reads has that many more.
constexpr size_t kDecodeSlack = 4;
void DecodeWide(const InputFormat& format, const uint8_t* p, int32_t frames, int channel, int32_t* out);
void EncodeWide(const InputFormat& format, const int32_t* in, int32_t frames, int channel, uint8_t* p);

template <bool Eight>
void Decode(const uint8_t* p, int32_t frames, int channels, int channel, int32_t* out) {
  constexpr int kBytes = Eight ? 1 : 2;
  p += channel * kBytes;
  for (int32_t f = 0; f < frames; ++f, p += channels * kBytes) {
    if constexpr (Eight) out[f] = int32_t(p[0]) - 128;
    else out[f] = int16_t(uint16_t(p[0] | (p[1] << 8)));
  }
}

template <bool Eight>
void Encode(const int32_t* in, int32_t frames, int channels, int channel, uint8_t* p) {
  constexpr int kBytes = Eight ? 1 : 2;
  p += channel * kBytes;
  for (int32_t f = 0; f < frames; ++f, p += channels * kBytes) {
    if constexpr (Eight) {
      p[0] = uint8_t(in[f] + 128);
    } else {
      p[0] = uint8_t(in[f]);
      p[1] = uint8_t(uint32_t(in[f]) >> 8);
    }
  }
}

template <class Effect, bool Eight>
void ProcessFrames(Effect& effect, uint8_t* p, int32_t frames, int channels, bool left, bool right) {
  constexpr int kBytes = Eight ? 1 : 2;
  auto get = [](const uint8_t* q) -> int32_t {
    if constexpr (Eight) return int32_t(q[0]) - 128;
    else return int16_t(uint16_t(q[0] | (q[1] << 8)));
  };
  auto put = [](uint8_t* q, int32_t v) {
    if constexpr (Eight) {
      q[0] = uint8_t(v + 128);
    } else {
      q[0] = uint8_t(v);
      q[1] = uint8_t(uint32_t(v) >> 8);
    }
  };
  if (channels == 1) {
    for (int32_t f = 0; f < frames; ++f, p += kBytes) {
      effect.BeginFrame();
      put(p, effect.Step(0, get(p)));
      effect.EndFrame();
    }
    return;
  }
  for (int32_t f = 0; f < frames; ++f, p += 2 * kBytes) {
    effect.BeginFrame();
    if (left) put(p, effect.Step(0, get(p)));
    if (right) put(p + kBytes, effect.Step(1, get(p + kBytes)));
    effect.EndFrame();
  }
}

}  // namespace detail

template <class Effect>
void EffectFrame::Process(Effect& effect) {
  const int32_t bpf = input_.bytesPerFrame;
  while (!RangeEnded() && pos_ <= end_) {
    const int64_t left = (end_ - pos_) / bpf + 1;
    const int32_t frames = int32_t(left < clock_.Room() ? left : clock_.Room());
    const size_t bytes = size_t(frames) * size_t(bpf);
    block_.resize(bytes + detail::kDecodeSlack);
    const size_t got = reader_.Read(block_.data(), bytes);
    if (got < bytes) std::fill(block_.begin() + std::ptrdiff_t(got), block_.end(), uint8_t(0));
    if (input_.Wide()) {
      const int channels = input_.channels;
      const auto [planes, process] = SamplePlanes(frames);
      for (int c = 0; c < channels; ++c)
        if (process[c]) detail::DecodeWide(input_, block_.data(), frames, c, planes[c]);
      if constexpr (BlockEffect<Effect>) {
        effect.ProcessBlock(planes, frames, process);
      } else {
        for (int32_t f = 0; f < frames; ++f) {
          effect.BeginFrame();
          if (process[0]) planes[0][f] = effect.Step(0, planes[0][f]);
          if (process[1]) planes[1][f] = effect.Step(1, planes[1][f]);
          effect.EndFrame();
        }
      }
      for (int c = 0; c < channels; ++c)
        if (process[c]) detail::EncodeWide(input_, planes[c], frames, c, block_.data());
    } else if constexpr (BlockEffect<Effect>) {
      const int channels = input_.channels;
      const auto [planes, process] = SamplePlanes(frames);
      for (int c = 0; c < channels; ++c)
        if (process[c]) {
          if (input_.bits == 8) detail::Decode<true>(block_.data(), frames, channels, c, planes[c]);
          else detail::Decode<false>(block_.data(), frames, channels, c, planes[c]);
        }
      effect.ProcessBlock(planes, frames, process);
      for (int c = 0; c < channels; ++c)
        if (process[c]) {
          if (input_.bits == 8) detail::Encode<true>(planes[c], frames, channels, c, block_.data());
          else detail::Encode<false>(planes[c], frames, channels, c, block_.data());
        }
    } else if (input_.bits == 8) {
      detail::ProcessFrames<Effect, true>(effect, block_.data(), frames, input_.channels,
                                          process_[0], process_[1]);
    } else {
      detail::ProcessFrames<Effect, false>(effect, block_.data(), frames, input_.channels,
                                           process_[0], process_[1]);
    }
    writer_.Write(block_.data(), bytes);
    pos_ += int64_t(bytes);
    Report();
    clock_.Advance(frames);
  }
}

// Saturating truncation toward zero; NaN gives 0.
inline int32_t TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

inline int32_t ClampSample(int64_t v, bool eight) {
  const int32_t lo = eight ? -128 : -32768, hi = eight ? 127 : 32767;
  return v < lo ? lo : v > hi ? hi : int32_t(v);
}
inline int32_t ClampSample(int64_t v, int32_t lo, int32_t hi) {
  return v < lo ? lo : v > hi ? hi : int32_t(v);
}

// (a·b + c·d) >> 8, saturated at the 64-bit range instead of overflowing.
inline int64_t SaturatedMixShift8(int64_t a, int64_t b, int64_t c, int64_t d) {
  int64_t ab, cd, sum;
  const int64_t top = INT64_MAX, bottom = INT64_MIN;
  if (__builtin_mul_overflow(a, b, &ab)) ab = (a < 0) != (b < 0) ? bottom : top;
  if (__builtin_mul_overflow(c, d, &cd)) cd = (c < 0) != (d < 0) ? bottom : top;
  if (__builtin_add_overflow(ab, cd, &sum)) sum = ab < 0 ? bottom : top;
  return sum >> 8;
}

}  // namespace resona::effects
