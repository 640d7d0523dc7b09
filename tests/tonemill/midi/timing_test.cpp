// The tempo map and the dropping of redundant events, each against a plain implementation of
// its definition.
#include "tonemill/midi/redundant.h"
#include "tonemill/midi/tempomap.h"

#include <gtest/gtest.h>
#include <random>

namespace tonemill {
namespace {

// Tick by tick: the tempo in force at each tick, summed exactly; rounded half to even.
std::optional<int32_t> ReferenceMilliseconds(std::vector<std::pair<int32_t, int32_t>> changes,
                                             int16_t division, int32_t tick) {
  std::stable_sort(changes.begin(), changes.end(),
                   [](auto& a, auto& b) { return a.first < b.first; });
  __int128 sum = 0;
  for (int32_t t = 0; t < tick; ++t) {
    int64_t tempo = 500000;
    for (auto& [at, value] : changes)
      if (at <= t) tempo = value;
    sum += tempo;
  }
  __int128 num = sum, den = int64_t(division) * 1000;
  if (division < 0) {
    num = 2 * sum;
    den = -int64_t(int8_t(uint16_t(division) >> 8)) * (uint16_t(division) & 0xFF) * 1000;
  }
  __int128 q = num / den, r = num % den;
  if (2 * r > den || (2 * r == den && q % 2 == 1)) ++q;
  if (num > __int128(INT32_MAX) * den) return std::nullopt;
  return int32_t(q);
}

TEST(TempoMap, GivenExamples) {
  TempoMap m;
  m.Add(960, 250000);
  ASSERT_TRUE(m.Prepare(480));
  EXPECT_EQ(m.Milliseconds(480), 500);
  EXPECT_EQ(m.Milliseconds(1440), 1250);
  TempoMap smpte;
  ASSERT_TRUE(smpte.Prepare(int16_t(0xE728)));
  EXPECT_EQ(smpte.Milliseconds(1000), 1000);
  EXPECT_FALSE(TempoMap().Prepare(0));
  EXPECT_FALSE(TempoMap().Prepare(int16_t(0xE700)));
}

TEST(TempoMap, ALaterChangeAtTheSameTickWins) {
  TempoMap m;
  m.Add(0, 1000000);
  m.Add(100, 250000);
  m.Add(0, 2000000);
  ASSERT_TRUE(m.Prepare(100));
  EXPECT_EQ(m.Milliseconds(100), 2000);
  EXPECT_EQ(m.Milliseconds(200), 2250);
}

TEST(TempoMap, AgreesWithTheDefinition) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::pair<int32_t, int32_t>> changes;
    TempoMap m;
    for (int i = int(rng() % 4); i > 0; --i) {
      changes.push_back({int32_t(rng() % 300), int32_t(rng() % 0x1000000)});
      m.Add(changes.back().first, changes.back().second);
    }
    const int16_t divisions[] = {1, 96, 480, 7, int16_t(0xE728), int16_t(0xE203), int16_t(0x8001)};
    const int16_t division = divisions[rng() % 7];
    ASSERT_TRUE(m.Prepare(division));
    const int32_t tick = int32_t(rng() % 400);
    EXPECT_EQ(m.Milliseconds(tick), ReferenceMilliseconds(changes, division, tick))
        << "division " << division << " tick " << tick;
  }
  TempoMap far;
  ASSERT_TRUE(far.Prepare(1));
  EXPECT_EQ(far.Milliseconds(4294967), 2147483500);
  EXPECT_EQ(far.Milliseconds(4294968), std::nullopt);
}

// Passes over the whole list, as the definition reads, until one removes nothing.
void ReferenceDrop(std::vector<SongEvent>& events) {
  for (bool removed = true; removed;) {
    removed = false;
    std::vector<SongEvent> kept;
    for (size_t i = 0; i < events.size(); ++i) {
      if (i > 0 && i + 1 < events.size() && Redundant(events[i], events[i + 1])) {
        removed = true;
        continue;
      }
      kept.push_back(events[i]);
    }
    events = kept;
  }
}

TEST(RedundantEvents, AgreesWithRepeatedPasses) {
  std::mt19937 rng(11);
  for (int round = 0; round < 2000; ++round) {
    std::vector<SongEvent> events;
    int32_t time = 0;
    for (int i = int(rng() % 40); i > 0; --i) {
      time += int32_t(rng() % 3);
      events.push_back({time, EventKind(rng() % 3), int16_t(rng() % 3)});
    }
    std::vector<SongEvent> expected = events;
    ReferenceDrop(expected);
    DropRedundantEvents(events);
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(events[i].time, expected[i].time);
      EXPECT_EQ(events[i].kind, expected[i].kind);
      EXPECT_EQ(events[i].value, expected[i].value);
    }
  }
}

TEST(RedundantEvents, TheOrderOfPassesMatters) {
  // x matches y by value, y matches z by time: x goes in the first pass together with y.
  std::vector<SongEvent> events = {{0, EventKind::On, 100},
                                   {0, EventKind::Volume, 5},
                                   {1, EventKind::Volume, 5},
                                   {1, EventKind::Volume, 7}};
  DropRedundantEvents(events);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].value, 7);
}

// The converter thins each note's events alone: on a key's whole list (notes one after another,
// each from its on to its off, times going back between notes) the passes keep the same events.
TEST(RedundantEvents, EachNoteAloneAsInTheWholeList) {
  std::mt19937 rng(5);
  for (int round = 0; round < 2000; ++round) {
    std::vector<SongEvent> whole, notes;
    for (int n = 1 + int(rng() % 4); n > 0; --n) {
      int32_t time = int32_t(rng() % 4);
      std::vector<SongEvent> note = {{time, EventKind::On, int16_t(rng() % 3)}};
      for (int i = int(rng() % 12); i > 0; --i) {
        time += int32_t(rng() % 2);
        note.push_back({time, EventKind(2 + rng() % 2), int16_t(rng() % 3)});
      }
      note.push_back({time + int32_t(rng() % 2), EventKind::Off, int16_t(rng() % 3)});
      whole.insert(whole.end(), note.begin(), note.end());
      DropRedundantEvents(note);
      notes.insert(notes.end(), note.begin(), note.end());
    }
    DropRedundantEvents(whole);
    ASSERT_EQ(whole.size(), notes.size());
    for (size_t i = 0; i < whole.size(); ++i) {
      EXPECT_EQ(whole[i].time, notes[i].time);
      EXPECT_EQ(whole[i].kind, notes[i].kind);
      EXPECT_EQ(whole[i].value, notes[i].value);
    }
  }
}

}  // namespace
}  // namespace tonemill
