// Low pass and high pass: a second-order Butterworth section designed by the bilinear
// transform; the high pass is the input minus the low-pass output.
#pragma once

#include "rangeframe.h"

namespace tonemill {

struct LowHighSettings {
  double cutoff = 0;  // Hz
  double amplification = 1;
  bool lowPass = true;
};

// The section's coefficients for a cutoff at `rate` Hz: y = t(x + x2) + 2t·x1 − a1·y1 − a2·y2.
struct LowHighDesign {
  long double t, a1, a2;
};
LowHighDesign DesignLowHigh(double cutoff, int32_t rate);

RangeResult LowHighRange(const RangeRequest& request, const LowHighSettings& settings,
                         Progress& progress);

}  // namespace tonemill
