#include "eventslots.h"

#include "midiwriter.h"

#include <algorithm>

namespace tonemill {

bool AppendEventBytes(TFastFile& file, const MidiEvent& e, NameEvents names,
                      std::vector<uint8_t>& out) {
  if (e.IsChannelMessage()) {
    out.push_back(e.status);
    out.push_back(e.data1);
    if (e.Kind() != 0xC0 && e.Kind() != 0xD0) out.push_back(e.data2);
    return true;
  }
  if (e.status != 0xF0 && e.status != 0xF7 && e.status != 0xFF) return false;
  if (e.IsEndOfTrack()) return false;
  out.push_back(e.status);
  if (e.IsMeta()) {
    const bool name = e.data1 == 0x03 || e.data1 == 0x04;
    out.push_back(name && names == NameEvents::AsText ? uint8_t(0x01) : e.data1);
  }
  AppendVariableLength(out, uint32_t(e.dataLength));
  const int64_t resume = file.Position;
  file.SeekTo(e.dataPosition);
  for (int64_t i = 0; i < e.dataLength; ++i) out.push_back(file.ReadByte());
  file.SeekTo(resume);
  return true;
}

void EventSlots::Add(int32_t tick, std::span<const uint8_t> event) {
  entries_.push_back({tick, uint32_t(event.size()), bytes_.size()});
  bytes_.insert(bytes_.end(), event.begin(), event.end());
}

void EventSlots::OrderByTick() {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return a.tick < b.tick; });
}

void EventSlots::AppendTrackEvents(std::vector<uint8_t>& out) const {
  int32_t slotTick = 0;
  bool first = true;
  for (const Entry& e : entries_) {
    if (first || e.tick != slotTick) {
      AppendVariableLength(out, uint32_t(e.tick - slotTick));
      slotTick = e.tick;
      first = false;
    } else {
      out.push_back(0);
    }
    const auto begin = bytes_.begin() + std::ptrdiff_t(e.offset);
    out.insert(out.end(), begin, begin + e.length);
  }
}

void EventSlots::Clear() {
  entries_.clear();
  bytes_.clear();
}

}  // namespace tonemill
