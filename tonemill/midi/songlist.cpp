#include "songlist.h"

#include <algorithm>

namespace tonemill {

const char* EventTag(EventKind kind) {
  switch (kind) {
    case EventKind::On: return "ON ";
    case EventKind::Off: return "OFF ";
    case EventKind::Pressure: return "PRS ";
    case EventKind::Modulation: return "MOD ";
    case EventKind::Volume: return "VOL ";
    case EventKind::Pan: return "PAN ";
    case EventKind::Expression: return "EXP ";
    case EventKind::Bend: return "BND ";
  }
  return "";
}

NoteGroup& InstrumentRecord::InsertNewGroup(int key, int32_t start) {
  std::vector<NoteGroup>& groups = keys[key];
  auto at = std::lower_bound(groups.begin(), groups.end(), start,
                             [](const NoteGroup& g, int32_t t) { return g.start < t; });
  at = groups.insert(at, NoteGroup{});
  at->start = start;
  return *at;
}

void InstrumentRecord::InsertMovedGroup(int key, NoteGroup group) {
  std::vector<NoteGroup>& groups = keys[key];
  auto at = std::upper_bound(groups.begin(), groups.end(), group.start,
                             [](int32_t t, const NoteGroup& g) { return t < g.start; });
  groups.insert(at, std::move(group));
}

void MergeEqualInstruments(InstrumentList& instruments) {
  for (size_t i = 0; i < instruments.size(); ++i) {
    InstrumentRecord& kept = *instruments[i];
    for (size_t j = i + 1; j < instruments.size();) {
      InstrumentRecord& later = *instruments[j];
      if (!SameInstrument(kept.entry, later.entry)) {
        ++j;
        continue;
      }
      const int shift = int(kept.entry.baseKey) - int(later.entry.baseKey);
      for (auto& [key, groups] : later.keys)
        for (NoteGroup& group : groups) kept.InsertMovedGroup(key + shift, std::move(group));
      instruments.erase(instruments.begin() + std::ptrdiff_t(j));
    }
  }
}

}  // namespace tonemill
