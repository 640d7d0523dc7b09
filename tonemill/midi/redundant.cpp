#include "redundant.h"

#include <algorithm>
#include <cstdint>

namespace tonemill {

void DropRedundantEvents(std::vector<SongEvent>& events) {
  const int32_t n = int32_t(events.size());
  // Most notes have nothing to drop: then the first pass ends it, and no lists are needed.
  bool any = false;
  for (int32_t i = 1; i + 1 < n && !any; ++i)
    any = Redundant(events[size_t(i)], events[size_t(i) + 1]);
  if (!any) return;
  constexpr int32_t kNone = -1;
  std::vector<int32_t> next(static_cast<size_t>(n)), previous(static_cast<size_t>(n));
  std::vector<uint8_t> removed(size_t(n), 0);
  for (int32_t i = 0; i < n; ++i) {
    next[size_t(i)] = i + 1 < n ? i + 1 : kNone;
    previous[size_t(i)] = i - 1;
  }
  // Pass 1 looks at every event but the first; later passes at the events whose successor
  // changed in the pass before.
  std::vector<int32_t> candidates, doomed;
  for (int32_t i = 1; i < n; ++i) candidates.push_back(i);
  while (!candidates.empty()) {
    doomed.clear();
    for (int32_t i : candidates) {
      const int32_t j = next[size_t(i)];
      if (!removed[size_t(i)] && j != kNone && Redundant(events[size_t(i)], events[size_t(j)]))
        doomed.push_back(i);
    }
    candidates.clear();
    // In list order, so that each removed event's predecessor at unlinking is a survivor.
    std::sort(doomed.begin(), doomed.end());
    for (int32_t i : doomed) {
      const int32_t before = previous[size_t(i)], after = next[size_t(i)];
      removed[size_t(i)] = 1;
      next[size_t(before)] = after;
      if (after != kNone) previous[size_t(after)] = before;
      if (before != 0 && (candidates.empty() || candidates.back() != before))
        candidates.push_back(before);
    }
  }
  size_t out = 0;
  for (int32_t i = 0; i < n; ++i)
    if (!removed[size_t(i)]) events[out++] = events[size_t(i)];
  events.resize(out);
}

}  // namespace tonemill
