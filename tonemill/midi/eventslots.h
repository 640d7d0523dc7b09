// The time slots of the merger and the track editor: events placed by absolute tick, each with
// its status byte written out, written as one track where the events of a tick follow one delta
// time, joined by zero deltas.
#pragma once

#include "eventstream.h"
#include "tonemill/files/fastfile.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tonemill {

// The largest length a four-byte variable-length quantity holds; an event with more data than
// this is not copied.
inline constexpr int64_t kMaxCopiedEventData = 0x0FFFFFFF;

// How a copied meta event keeps its type: the merger writes names (types 3 and 4) as text
// events (type 1).
enum class NameEvents { Keep, AsText };

// Appends the event as it is written out: the status byte always (running status applied),
// then its data; system exclusive and meta events with their length and data, read back from
// `file`, whose position is kept. End of Track and the ignored events (status 0xFE, a data byte
// before any status) are not written: false, nothing appended. The caller checks the data
// length against kMaxCopiedEventData first.
bool AppendEventBytes(TFastFile& file, const MidiEvent& event, NameEvents names,
                      std::vector<uint8_t>& out);

class EventSlots {
 public:
  void Add(int32_t tick, std::span<const uint8_t> event);
  // Puts the events in tick order; events of one tick keep the order they were added in, so
  // added track by track they keep track order, and within a track, file order.
  void OrderByTick();
  // Each slot's delta from the previous slot (the first from tick 0), then its events, each
  // after the first behind a zero byte.
  void AppendTrackEvents(std::vector<uint8_t>& out) const;
  void Clear();

 private:
  struct Entry {
    int32_t tick;
    uint32_t length;
    size_t offset;
  };
  std::vector<Entry> entries_;
  std::vector<uint8_t> bytes_;
};

}  // namespace tonemill
