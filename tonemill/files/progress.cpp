#include "progress.h"

#include <algorithm>

namespace tonemill {

void Progress::Cancel() {
  if (!cancelled_) doneAtCancel_ = done;
  cancelled_ = true;
  const int32_t limit = std::max<int32_t>(total, 1);
  const int32_t target = mark_ == CancelMark::AtTotal ? limit : limit + 1;
  done = std::max(done, target);
}

double Progress::Fraction() const {
  const int32_t limit = std::max<int32_t>(total, 1);
  const int32_t reached = cancelled_ ? std::min(doneAtCancel_, limit - 1 < 0 ? 0 : limit - 1) : done;
  return std::clamp(double(reached) / double(limit), 0.0, 1.0);
}

}  // namespace tonemill
