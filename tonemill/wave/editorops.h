// The operations the WAV editor runs itself on its selection: Cut, Maximize and Reverse.
#pragma once

#include "rangeframe.h"

#include <cstdint>

namespace tonemill {

// The output is the input's data without the range; the progress total is what remains.
RangeResult CutRange(const RangeRequest& request, Progress& progress);

// The gains Maximize applies, as exact fractions numerator ÷ denominator: full scale (127 or
// 32767) over the peak magnitude, so that the peak lands exactly on full scale.
struct MaximizeGains {
  int64_t numerator[2] = {1, 1};
  int64_t denominator[2] = {1, 1};
};
// Peaks of 0 count as 1. Mono takes its one gain; a stereo file with one channel chosen gains
// that channel only, with both chosen each channel takes the smaller gain.
MaximizeGains GainsForPeaks(const RangeInfo& info, int64_t leftPeak, int64_t rightPeak);

// A first pass finds the peak magnitude of each channel in the range, a second writes
// Trunc(x × gain); the progress total is the data size plus the range, read twice.
RangeResult MaximizeRange(const RangeRequest& request, Progress& progress);

// The frames of the range in reverse order; with one channel of a stereo file chosen, only
// that channel is reversed and the other keeps its order (the range is then read twice and
// counted so in the progress total).
RangeResult ReverseRange(const RangeRequest& request, Progress& progress);

}  // namespace tonemill
