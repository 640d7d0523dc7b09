// Dropping redundant events from an instrument's event list.
#pragma once

#include "songlist.h"

#include <vector>

namespace tonemill {

// Repeats passes until one removes nothing: in a pass, wherever two adjacent events (the first
// not being the list's first event) have the same kind and either the same time or the same
// value, the first of the two goes. All events of `events` share one key.
//
// A pass decides each removal on the adjacency it started with, so only an event that has
// just got a new successor can be removed by the next pass; the work list follows those and
// the whole takes time in proportion to the list.
void DropRedundantEvents(std::vector<SongEvent>& events);

// Two adjacent events that make the first one redundant.
inline bool Redundant(const SongEvent& first, const SongEvent& second) {
  return first.kind == second.kind && (first.time == second.time || first.value == second.value);
}

}  // namespace tonemill
