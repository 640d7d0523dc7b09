#include "flange.h"

#include "delayline.h"

#include <cmath>
#include <cstdlib>

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

template <bool Wide>
class Flanger {
 public:
  Flanger(DelayLine& in, DelayLine& out, const FlangeParameters& p, int64_t variation,
          const InputFormat& format)
      : in_(in), out_(out), p_(p), lo_(format.lo), hi_(format.hi) {
    const int64_t t = std::llabs(variation * p.rateNum) / p.rateDen;
    weights_ = FlangeSmoothing(t);
    phaseStep_ = int64_t(p.rateNum) * kFlangeTableSize;
    phaseModulus_ = int64_t(p.rateDen) * kFlangeTableSize;
    o_ = int64_t(p.offsetFrames) - 1;
    v_ = variation / 2;
    absFeedback_ = std::abs(p.feedback);
  }
  void BeginFrame() {}
  int32_t Step(int channel, int32_t x) {
    const int32_t* table = channel == 0 ? p_.sineTable : p_.cosineTable;
    const int64_t m = (((int64_t(65536) - table[index_]) >> 8) * v_) >> 8;
    const int64_t k = o_ - m;
    const int64_t p = in_.Read(channel, k), q = out_.Read(channel, k);
    const int64_t swept = (p * (256 - absFeedback_) + q * p_.feedback) >> 8;
    // Both lines hold values in the sample range; at the wide widths the mix of two levels as
    // large as 32 bits allow saturates rather than overflowing.
    int64_t mixed;
    if constexpr (Wide) mixed = SaturatedMixShift8(p_.wetLevel, swept, p_.dryLevel, x);
    else mixed = (int64_t(p_.wetLevel) * swept + int64_t(p_.dryLevel) * x) >> 8;
    const int32_t y = ClampSample(mixed, lo_, hi_);
    int32_t& s = smooth_[channel];
    s = ClampSample((int64_t(weights_.B) * x - int64_t(weights_.A) * s) >> 8, lo_, hi_);
    in_.Write(channel, s);
    out_.Write(channel, y);
    return y;
  }
  void EndFrame() {
    phase_ = (phase_ + phaseStep_) % phaseModulus_;
    index_ = int32_t(phase_ / p_.rateDen);
  }

 private:
  DelayLine &in_, &out_;
  const FlangeParameters& p_;
  int32_t lo_, hi_;
  SmoothingWeights weights_;
  int64_t phaseStep_ = 0, phaseModulus_ = 1, phase_ = 0;
  int32_t index_ = 0;
  int64_t o_ = 0, v_ = 0;
  int32_t absFeedback_ = 0;
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
  if (frame.Input().Wide()) {
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
