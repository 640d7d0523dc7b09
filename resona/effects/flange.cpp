#include "flange.h"

#include "delayline.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace resona::effects {

// w, h and a in single precision, π as 2 × arccos 0; the cosine and the square root are taken
// in double and rounded once to single, so that every library gives the same bits. From a
// sweep speed of about 464 frames per frame B truncates to 0 and the filter would pass nothing
// (or, once a rounds to -1, hold its last value for ever); it then keeps B = 1, A = -255, the
// slowest filter that still passes a constant at unity gain.
SmoothingWeights FlangeSmoothing(int64_t t) {
  const float pi = 2.0f * float(std::acos(0.0));
  const float w = pi / float(t + 1);
  const float h = (4.0f - float(std::cos(double(w)))) / 3.0f;
  const float a = float(std::sqrt(double(h * h - 1.0f))) - h;
  SmoothingWeights weights{int32_t(256.0f * a), int32_t(256.0f * (1.0f + a))};
  if (weights.B < 1) weights = {-255, 1};
  return weights;
}

namespace {

// The sweep's position advances by rateNum / rateDen table places a frame. The phase, counted in
// 1/rateDen places, is kept as a whole index and a remainder, so that no frame divides.
class Sweep {
 public:
  Sweep(int32_t rateNum, int32_t rateDen) : den_(rateDen) {
    const int64_t modulus = int64_t(rateDen) * kFlangeTableSize;
    const int64_t step = int64_t(rateNum) * kFlangeTableSize % modulus;
    whole_ = int32_t(step / rateDen);
    part_ = step % rateDen;
  }
  int32_t Index() const { return index_; }
  void Advance() {
    index_ += whole_;
    partSum_ += part_;
    if (partSum_ >= den_) {
      partSum_ -= den_;
      ++index_;
    }
    if (index_ >= kFlangeTableSize) index_ -= kFlangeTableSize;
  }

 private:
  int64_t den_;
  int32_t whole_ = 0;
  int64_t part_ = 0, partSum_ = 0;
  int32_t index_ = 0;
};

// Saturate: the wet and dry products may leave the 64-bit range (wide files with levels beyond
// 2^30); otherwise the plain sum is the same.
template <bool Saturate>
class Flanger {
 public:
  Flanger(DelayLine& in, DelayLine& out, const FlangeParameters& p, int64_t variation,
          const InputFormat& format)
      : in_(in), out_(out), p_(p), lo_(format.lo), hi_(format.hi), sweep_(p.rateNum, p.rateDen) {
    const int64_t t = std::llabs(variation * p.rateNum) / p.rateDen;
    weights_ = FlangeSmoothing(t);
    o_ = int64_t(p.offsetFrames) - 1;
    v_ = variation / 2;
    absFeedback_ = std::abs(p.feedback);
    // With B >= 0, A <= 0 and B - A <= 256 the smoothed value is at most a weighted mean of a
    // sample and the previous value, so it never leaves the samples' range: no clamp is needed.
    smoothingStaysInRange_ = weights_.B >= 0 && weights_.A <= 0 && weights_.B - weights_.A <= 256;
  }

  // The sweep's table index of each frame, then each channel through the block on its own.
  void ProcessBlock(int32_t* const x[2], int32_t frames, const bool process[2]) {
    indices_.resize(size_t(frames));
    for (int32_t n = 0; n < frames; ++n) {
      indices_[size_t(n)] = sweep_.Index();
      sweep_.Advance();
    }
    for (int c = 0; c < 2; ++c) {
      if (!process[c]) continue;
      if (!smoothingStaysInRange_) Channel<true, true>(c, x[c], frames);
      else if (p_.feedback != 0) Channel<false, true>(c, x[c], frames);
      else Channel<false, false>(c, x[c], frames);
    }
  }

 private:
  // Without feedback (the chorus) the swept signal is the smoothed input alone, (p × 256) >> 8
  // = p, and the line of outputs is never read, so it is not kept.
  template <bool ClampSmoothing, bool Feedback>
  void Channel(int c, int32_t* x, int32_t frames) {
    const int32_t* table = c == 0 ? p_.sineTable : p_.cosineTable;
    const int32_t* index = indices_.data();
    int32_t* inLine = in_.Data(c);
    int32_t* outLine = out_.Data(c);
    const int32_t size = in_.Size();
    int32_t pos = in_.Position(c);
    const int64_t o = o_, v = v_, dry = p_.dryLevel, wet = p_.wetLevel, feedback = p_.feedback;
    const int64_t direct = 256 - absFeedback_, A = weights_.A, B = weights_.B;
    const int32_t lo = lo_, hi = hi_;
    int32_t s = smooth_[c];
    for (int32_t n = 0; n < frames; ++n) {
      const int64_t m = (((int64_t(65536) - table[index[n]]) >> 8) * v) >> 8;
      const int32_t i = WrapIndex(pos, o - m, size);
      int64_t swept = inLine[i];
      if constexpr (Feedback) swept = (swept * direct + int64_t(outLine[i]) * feedback) >> 8;
      const int64_t dx = x[n];
      int64_t mixed;
      if constexpr (Saturate) mixed = SaturatedMixShift8(wet, swept, dry, dx);
      else mixed = (wet * swept + dry * dx) >> 8;
      const int32_t y = ClampSample(mixed, lo, hi);
      if constexpr (ClampSmoothing) s = ClampSample((B * dx - A * s) >> 8, lo, hi);
      else s = int32_t((B * dx - A * s) >> 8);
      inLine[pos] = s;
      if constexpr (Feedback) outLine[pos] = y;
      if (++pos == size) pos = 0;
      x[n] = y;
    }
    smooth_[c] = s;
    in_.SetPosition(c, pos);
    out_.SetPosition(c, pos);
  }

  DelayLine &in_, &out_;
  const FlangeParameters& p_;
  int32_t lo_, hi_;
  SmoothingWeights weights_;
  Sweep sweep_;
  std::vector<int32_t> indices_;
  int64_t o_ = 0, v_ = 0;
  int32_t absFeedback_ = 0;
  bool smoothingStaysInRange_ = false;
  int32_t smooth_[2] = {0, 0};
};

}  // namespace

int32_t RunFlange(const EffectCall& call, const FlangeParameters& given) {
  if (!given.sineTable || !given.cosineTable) return kEffectBadArgument;
  FlangeParameters p = given;
  if (p.rateDen < 1 || p.rateNum < 0) {
    p.rateNum = 0;
    p.rateDen = 1;
  }
  if (p.feedback > 256) p.feedback = 256;
  if (p.feedback < -256) p.feedback = -256;
  const int64_t variation = p.variationFrames < 0 ? 0 : p.variationFrames;
  EffectFrame frame;
  if (int32_t status = frame.Open(call)) return status;
  const int64_t size = std::llabs(int64_t(p.offsetFrames)) + variation + 1;
  DelayLine in, out;
  const int channels = frame.Input().channels;
  if (!in.Allocate(size, channels) || !out.Allocate(size, channels)) return kEffectOutOfMemory;
  if (int32_t status = frame.Begin()) return status;
  // At the wide widths both lines and the input span up to 32 bits: the sum of the wet and dry
  // products stays within 64 bits while neither level exceeds 2^30 in magnitude.
  constexpr int64_t kPlainLevel = int64_t(1) << 30;
  if (frame.Input().Wide() && (std::llabs(p.wetLevel) > kPlainLevel || std::llabs(p.dryLevel) > kPlainLevel)) {
    Flanger<true> flanger(in, out, p, variation, frame.Input());
    frame.Process(flanger);
  } else {
    Flanger<false> flanger(in, out, p, variation, frame.Input());
    frame.Process(flanger);
  }
  in.Free();
  out.Free();
  return frame.Finish();
}

}  // namespace resona::effects
