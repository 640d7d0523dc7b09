// The state of a second-order recursive section, one per channel: the two previous inputs and
// outputs, zero at the start of the range.
#pragma once

namespace tonemill {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

struct SectionState {
  long double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  void Shift(long double x, long double y) {
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
  }
};

}  // namespace tonemill
