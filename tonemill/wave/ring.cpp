#include "ring.h"

#include "section.h"

#include <cmath>

namespace tonemill {

long double RingModulator(RingWave wave, long double phase) {
  if (wave == RingWave::Sine) return std::sin(phase);
  // The phase within one period, with the constants the modulator has always used.
  const long double r = phase - std::trunc(phase * 0.159154943L) * 6.283185307L;
  switch (wave) {
    case RingWave::Square: return r <= 3.141592654L ? 1 : -1;
    case RingWave::Triangle:
      return r < 3.141592654L ? r * 0.636619772L - 1 : 3 - r * 0.636619772L;
    case RingWave::Saw: return r * 0.159154943L - 1;
    case RingWave::Sine: break;
  }
  return 0;
}

namespace {

class Ring {
 public:
  explicit Ring(const RingSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    step_ = s_.rate * 2 * kPi / info.format.rate;
  }

  void Channel(int32_t* samples, int32_t count, int, int64_t firstIndex) {
    for (int32_t i = 0; i < count; ++i) {
      const long double w = RingModulator(s_.wave, step_ * (firstIndex + i));
      samples[i] = info_.eightBit ? TruncClippedOffset8(w * samples[i])
                                  : TruncClipped(w * samples[i], info_.limits);
    }
  }

 private:
  RingSettings s_;
  RangeInfo info_;
  long double step_ = 0;  // phase per frame
};

}  // namespace

RangeResult RingRange(const RangeRequest& request, const RingSettings& settings, Progress& progress) {
  Ring effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
