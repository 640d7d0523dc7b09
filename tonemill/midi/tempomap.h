// The tempo map of a song and the conversion of ticks to milliseconds.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tonemill {

class TempoMap {
 public:
  // Tempo changes may come from any track; a change read later at the same tick as an earlier
  // one goes after it.
  void Add(int32_t tick, int32_t microsecondsPerQuarter);

  // Ready for conversion under the header's division (> 0 ticks per quarter note, < 0 SMPTE).
  // False when the division would divide by zero.
  bool Prepare(int16_t division);

  // Milliseconds of a tick: the sum over the stretches of the map up to the tick of (ticks ×
  // tempo), times the quarter notes per tick (1/D, or 2/(frames × ticks per frame) for SMPTE),
  // times 0.001, evaluated exactly and rounded to the nearest integer, halves to even. Before
  // the first change the tempo is 500000. Empty when the result is beyond the 32-bit range.
  std::optional<int32_t> Milliseconds(int32_t tick) const;

 private:
  struct Change {
    int32_t tick;
    int64_t tempo;
    int64_t sumBefore;  // sum of ticks × tempo from tick 0 up to this change
  };
  std::vector<Change> changes_;
  int64_t numeratorFactor_ = 1;
  int64_t denominator_ = 1000;
};

}  // namespace tonemill
