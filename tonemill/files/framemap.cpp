#include "framemap.h"

#include <algorithm>

namespace tonemill {

FrameMap FrameMap::Unknown() {
  FrameMap map;
  map.Forget();
  return map;
}

void FrameMap::Forget() {
  known_ = false;
  edits_.clear();
  edits_.shrink_to_fit();
}

void FrameMap::Add(Kind kind, int64_t first, int64_t count) {
  if (!known_ || count <= 0 || first < 0) return;
  int64_t shift = 0;
  if (!edits_.empty()) {
    Edit& last = edits_.back();
    const int64_t lastEnd = last.first + (last.kind == Kind::Insert ? 0 : last.count);
    if (first < lastEnd || (first == last.first && (kind == Kind::Insert) != (last.kind == Kind::Insert))) {
      Forget();  // out of order: the caller broke the contract, nobody can tell where frames are
      return;
    }
    // Stretches left out one after the other are one stretch.
    if (kind == Kind::Remove && last.kind == Kind::Remove && first == lastEnd) {
      last.count += count;
      return;
    }
    shift = last.shift + (last.kind == Kind::Remove ? -last.count : last.kind == Kind::Insert ? last.count : 0);
  }
  if (edits_.size() >= kMostEdits) {
    Forget();
    return;
  }
  edits_.push_back({kind, first, count, shift});
}

void FrameMap::Remove(int64_t first, int64_t count) { Add(Kind::Remove, first, count); }
void FrameMap::Insert(int64_t before, int64_t count) { Add(Kind::Insert, before, count); }
void FrameMap::Reverse(int64_t first, int64_t last) {
  // A single frame reversed stays where it is.
  if (last > first) Add(Kind::Reverse, first, last - first + 1);
}

const FrameMap::Edit* FrameMap::Before(int64_t frame, bool strict) const {
  const auto byFirst = [](int64_t f, const Edit& e) { return f < e.first; };
  const auto firstBelow = [](const Edit& e, int64_t f) { return e.first < f; };
  const auto after = strict ? std::lower_bound(edits_.begin(), edits_.end(), frame, firstBelow)
                            : std::upper_bound(edits_.begin(), edits_.end(), frame, byFirst);
  return after == edits_.begin() ? nullptr : &*(after - 1);
}

int64_t FrameMap::Point(int64_t frame) const {
  const Edit* e = Before(frame, false);
  if (!e) return frame;
  switch (e->kind) {
    case Kind::Remove:
      return frame < e->first + e->count ? e->first + e->shift : frame + e->shift - e->count;
    case Kind::Insert:
      return frame + e->shift + e->count;
    case Kind::Reverse:
      return frame < e->first + e->count ? 2 * e->first + e->count - 1 - frame + e->shift : frame + e->shift;
  }
  return frame;
}

bool FrameMap::Removed(int64_t frame) const {
  const Edit* e = Before(frame, false);
  return e && e->kind == Kind::Remove && frame < e->first + e->count;
}

int64_t FrameMap::EndPoint(int64_t end) const {
  const Edit* e = Before(end, true);
  if (!e) return end;
  switch (e->kind) {
    case Kind::Remove:
      return end <= e->first + e->count ? e->first + e->shift : end + e->shift - e->count;
    case Kind::Insert:
      return end + e->shift + e->count;
    case Kind::Reverse:
      return end + e->shift;
  }
  return end;
}

int64_t FrameMap::RegionStart(int64_t frame, int64_t length) const {
  if (length > 1)
    if (const Edit* e = Before(frame, false);
        e && e->kind == Kind::Reverse && frame + length <= e->first + e->count)
      return Point(frame + length - 1);
  return Point(frame);
}

int64_t FrameMap::RegionLength(int64_t frame, int64_t length) const {
  if (length <= 0) return length;
  for (const Edit& e : edits_)
    if (e.kind == Kind::Reverse && e.first < frame + length && frame < e.first + e.count) return length;
  return std::max<int64_t>(0, EndPoint(frame + length) - Point(frame));
}

bool FrameMap::Loop(int64_t& start, int64_t& end) const {
  if (end < start || Removed(start) || Removed(end)) return false;
  for (const Edit& e : edits_) {
    if (e.kind != Kind::Reverse || e.first > end || e.first + e.count <= start) continue;
    const bool holdsIt = e.first <= start && end < e.first + e.count;
    const bool heldByIt = start < e.first && e.first + e.count <= end;
    if (!holdsIt && !heldByIt) return false;
  }
  const int64_t s = Point(start), t = Point(end);
  start = std::min(s, t);
  end = std::max(s, t);
  return true;
}

int64_t FrameMap::LeadShift() const {
  if (edits_.empty() || edits_.front().first != 0) return 0;
  const Edit& e = edits_.front();
  return e.kind == Kind::Remove ? e.count : e.kind == Kind::Insert ? -e.count : 0;
}

}  // namespace tonemill
