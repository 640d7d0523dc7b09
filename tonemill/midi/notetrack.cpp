#include "notetrack.h"

#include <algorithm>

namespace tonemill {
namespace {

bool IsNote(const ChannelMessage& m) { return m.Kind() == 0x80 || m.Kind() == 0x90; }

// What a note's look-ahead may pick up: pressure, controllers 1, 7, 10, 11 and bends.
bool IsShaping(const ChannelMessage& m) {
  switch (m.Kind()) {
    case 0xA0: case 0xD0: case 0xE0: return true;
    case 0xB0: return m.data1 == 1 || m.data1 == 7 || m.data1 == 10 || m.data1 == 11;
    default: return false;
  }
}

}  // namespace

void NoteTrack::Add(const MidiEvent& e) {
  if (e.IsChannelMessage()) messages_.push_back({e.tick, e.status, e.data1, e.data2});
}

void NoteTrack::Finish(int32_t endTick, MidiReadError error) {
  endTick_ = endTick;
  error_ = error;
  const int32_t n = int32_t(messages_.size());
  nextNote_.assign(size_t(n), kNone);
  std::array<std::array<int32_t, 256>, kChannels> following;
  for (auto& f : following) f.fill(kNone);
  for (int32_t i = n - 1; i >= 0; --i) {
    const ChannelMessage& m = messages_[size_t(i)];
    if (!IsNote(m)) continue;
    int32_t& f = following[size_t(m.Channel() - 1)][m.data1];
    nextNote_[size_t(i)] = f;
    f = i;
  }
  for (int32_t i = 0; i < n; ++i)
    if (IsShaping(messages_[size_t(i)]))
      shaping_[size_t(messages_[size_t(i)].Channel() - 1)].push_back(i);
}

bool NoteTrack::Ends(int32_t noteOn) const {
  return nextNote_[size_t(noteOn)] != kNone || error_ == MidiReadError::None;
}

int32_t NoteTrack::EndTick(int32_t noteOn) const {
  const int32_t end = nextNote_[size_t(noteOn)];
  return end == kNone ? endTick_ : messages_[size_t(end)].tick;
}

void NoteTrack::NoteEvents(const NoteGroup& g, std::vector<SongEvent>& out) const {
  const ChannelMessage& on = messages_[size_t(g.noteOn)];
  const int32_t t = on.tick;
  out.clear();
  out.push_back({t, EventKind::On, on.data2});
  if (g.volume != 64) out.push_back({t, EventKind::Volume, g.volume});
  if (g.expression != 0) out.push_back({t, EventKind::Expression, g.expression});
  if (g.pan != 64) out.push_back({t, EventKind::Pan, g.pan});
  if (g.modulation != 0) out.push_back({t, EventKind::Modulation, g.modulation});
  if (g.bend != 0) out.push_back({t, EventKind::Bend, g.bend});

  const int32_t end = nextNote_[size_t(g.noteOn)];
  const std::vector<int32_t>& shaping = shaping_[size_t(on.Channel() - 1)];
  for (auto it = std::upper_bound(shaping.begin(), shaping.end(), g.noteOn);
       it != shaping.end() && (end == kNone || *it < end); ++it) {
    const ChannelMessage& m = messages_[size_t(*it)];
    switch (m.Kind()) {
      case 0xA0:
        if (m.data1 == on.data1) out.push_back({m.tick, EventKind::Pressure, m.data2});
        break;
      case 0xD0: out.push_back({m.tick, EventKind::Pressure, m.data1}); break;
      case 0xE0: out.push_back({m.tick, EventKind::Bend, m.Bend()}); break;
      default: {
        const EventKind kind = m.data1 == 1    ? EventKind::Modulation
                               : m.data1 == 7  ? EventKind::Volume
                               : m.data1 == 10 ? EventKind::Pan
                                               : EventKind::Expression;
        out.push_back({m.tick, kind, m.data2});
        break;
      }
    }
  }

  int16_t release = 64;  // the track ran out
  if (end != kNone) {
    const ChannelMessage& m = messages_[size_t(end)];
    if (m.Kind() == 0x80)
      release = int16_t(g.pedal ? m.data2 / 3 : m.data2);
    else if (m.data2 == 0)
      release = g.pedal ? 21 : 64;
    else
      release = g.pedal ? 42 : 127;
  }
  out.push_back({EndTick(g.noteOn), EventKind::Off, release});
}

}  // namespace tonemill
