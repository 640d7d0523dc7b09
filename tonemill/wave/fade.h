// Fade: a linear gain ramp over the range, from the start factor at its first byte towards the
// end factor one byte past its last.
#pragma once

#include "rangeframe.h"

namespace tonemill {

struct FadeSettings {
  double startFactor = 1;
  double endFactor = 1;
};

RangeResult FadeRange(const RangeRequest& request, const FadeSettings& settings, Progress& progress);

}  // namespace tonemill
