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
  int32_t bytesPerFrame = 0;
  int64_t dataOffset = 0;
  int64_t dataBytes = 0;  // whole frames only
  int64_t frames = 0;
};

// Reads a WAV header as the effects accept it: a valid 8- or 16-bit PCM file with at least one
// whole frame. Also used for the vocoder's control file.
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
  std::vector<uint8_t> block_;
  std::vector<int32_t> samples_[2];
};

template <class Effect>
concept BlockEffect = requires(Effect& e, int32_t* const* samples, int32_t frames, const bool* process) {
  e.ProcessBlock(samples, frames, process);
};

namespace detail {

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
    block_.resize(bytes);
    const size_t got = reader_.Read(block_.data(), bytes);
    if (got < bytes) std::fill(block_.begin() + std::ptrdiff_t(got), block_.end(), uint8_t(0));
    if constexpr (BlockEffect<Effect>) {
      const int channels = input_.channels;
      const bool process[2] = {process_[0], channels == 2 && process_[1]};
      samples_[0].resize(size_t(frames));
      samples_[1].resize(size_t(frames));
      int32_t* const planes[2] = {samples_[0].data(), samples_[1].data()};
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

}  // namespace resona::effects
