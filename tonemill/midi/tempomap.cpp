#include "tempomap.h"

#include <algorithm>
#include <climits>

namespace tonemill {

void TempoMap::Add(int32_t tick, int32_t microsecondsPerQuarter) {
  changes_.push_back({tick, microsecondsPerQuarter, 0});
}

bool TempoMap::Prepare(int16_t division) {
  if (division > 0) {
    numeratorFactor_ = 1;
    denominator_ = int64_t(division) * 1000;
  } else {
    const int64_t frames = -int64_t(int8_t(uint16_t(division) >> 8));
    const int64_t ticksPerFrame = uint16_t(division) & 0xFF;
    if (division == 0 || ticksPerFrame == 0) return false;
    numeratorFactor_ = 2;
    denominator_ = frames * ticksPerFrame * 1000;
  }
  std::stable_sort(changes_.begin(), changes_.end(),
                   [](const Change& a, const Change& b) { return a.tick < b.tick; });
  int64_t sum = 0, tick = 0, tempo = 500000;
  for (Change& c : changes_) {
    sum += (c.tick - tick) * tempo;
    c.sumBefore = sum;
    tick = c.tick;
    tempo = c.tempo;
  }
  return true;
}

std::optional<int32_t> TempoMap::Milliseconds(int32_t tick) const {
  // The last change at or before the tick governs it.
  auto after = std::upper_bound(changes_.begin(), changes_.end(), tick,
                                [](int32_t t, const Change& c) { return t < c.tick; });
  int64_t sum = int64_t(tick) * 500000;
  if (after != changes_.begin()) {
    const Change& c = *(after - 1);
    sum = c.sumBefore + (int64_t(tick) - c.tick) * c.tempo;
  }
  // At most 2^31 ticks × 2^24 µs × 2: well inside 64 bits.
  const int64_t numerator = sum * numeratorFactor_;
  int64_t quotient = numerator / denominator_;
  const int64_t remainder = numerator % denominator_;
  if (quotient > INT32_MAX || (quotient == INT32_MAX && remainder > 0)) return std::nullopt;
  if (2 * remainder > denominator_ || (2 * remainder == denominator_ && quotient % 2 != 0))
    ++quotient;
  return int32_t(quotient);
}

}  // namespace tonemill
