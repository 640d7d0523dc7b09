// Band pass and notch: a second-order band-pass section designed by the bilinear transform; the
// notch is the input minus the band-pass output.
#pragma once

#include "rangeframe.h"

namespace tonemill {

struct BandNotchSettings {
  double center = 0;  // Hz
  double width = 0;   // Hz
  double amplification = 1;
  bool notch = false;
};

// y = t(x − x2) − a1·y1 − a2·y2.
struct BandDesign {
  long double t, a1, a2;
};
BandDesign DesignBand(double center, double width, int32_t rate);

RangeResult BandNotchRange(const RangeRequest& request, const BandNotchSettings& settings,
                           Progress& progress);

}  // namespace tonemill
