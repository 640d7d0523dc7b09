// Writes the demo song, a General MIDI file of about a minute (format 1, 480 ticks per quarter):
// piano, bass, strings, flute, a guitar that turns into an electric piano, brass and drums on
// channel 10, with tempo changes, program changes, volume, pan, expression, modulation, the
// sustain pedal and a pitch bend.
//   make_demo_song OUT.mid
#include "tests/support/midifiles.h"
#include "tonemill/midi/midiwriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kTicksPerQuarter = 480;
constexpr int kBar = 4 * kTicksPerQuarter;

class Track {
 public:
  explicit Track(int channel = 0) : channel_(channel) {}
  void Meta(int tick, uint8_t type, std::vector<uint8_t> data) {
    std::vector<uint8_t> b;
    tonemill::AppendMetaEvent(b, type, data);
    Add(tick, 0, b);
  }
  void Name(const std::string& name) { Meta(0, 0x03, std::vector<uint8_t>(name.begin(), name.end())); }
  // A channel's start: its name, program, volume and pan.
  void Start(const std::string& name, int program, int volume, int pan) {
    Name(name);
    Program(0, program);
    Control(0, 7, volume);
    Control(0, 10, pan);
  }
  void Tempo(int tick, double bpm) {
    const uint32_t us = uint32_t(60000000.0 / bpm + 0.5);
    Meta(tick, 0x51, {uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)});
  }
  void Program(int tick, int program) { Add(tick, 1, {uint8_t(0xc0 | channel_), uint8_t(program)}); }
  void Control(int tick, int controller, int value) {
    Add(tick, 1, {uint8_t(0xb0 | channel_), uint8_t(controller), uint8_t(value)});
  }
  void Bend(int tick, int value) {  // -8192..8191
    const int v = value + 8192;
    Add(tick, 1, {uint8_t(0xe0 | channel_), uint8_t(v & 0x7f), uint8_t(v >> 7)});
  }
  void Note(int tick, int length, int key, int velocity) {
    Add(tick, 2, {uint8_t(0x90 | channel_), uint8_t(key), uint8_t(velocity)});
    Add(tick + length, 0, {uint8_t(0x80 | channel_), uint8_t(key), 64});
  }

  std::vector<uint8_t> Events() const { return testing_support::TrackFromTimedEvents(events_); }

 private:
  // Events at one tick: note-offs first (0), then controllers and programs (1), then notes (2).
  void Add(int tick, int order, std::vector<uint8_t> bytes) {
    events_.push_back({uint32_t(tick), order, std::move(bytes)});
  }
  int channel_;
  std::vector<testing_support::TimedEvent> events_;
};

// Eight bars of harmony, repeated: C, Am, F, G, C, Em, Dm7, G7 (roots and triads as keys).
struct Chord {
  int root;
  std::vector<int> tones;
};
const Chord kChords[8] = {{48, {60, 64, 67}}, {45, {57, 60, 64}}, {41, {57, 60, 65}},
                          {43, {55, 59, 62}}, {48, {60, 64, 67}}, {40, {59, 64, 67}},
                          {38, {57, 60, 62, 65}}, {43, {55, 59, 62, 65}}};
constexpr int kBars = 28;

const Chord& ChordOf(int bar) { return kChords[bar % 8]; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_song OUT.mid\n");
    return 2;
  }
  Track conductor;
  conductor.Name("Tonemill demo");
  conductor.Meta(0, 0x58, {4, 2, 24, 8});  // 4/4
  conductor.Tempo(0, 108);
  conductor.Tempo(8 * kBar, 116);
  conductor.Tempo(16 * kBar, 124);
  conductor.Tempo(24 * kBar, 104);
  conductor.Tempo(26 * kBar, 92);
  conductor.Tempo(27 * kBar, 80);

  // Piano: broken chords with the sustain pedal changed every bar.
  Track piano(0);
  piano.Start("Piano", 0, 100, 48);
  for (int bar = 0; bar < kBars; ++bar) {
    const int t = bar * kBar;
    piano.Control(t, 64, 0);
    piano.Control(t + 10, 64, 127);
    const Chord& c = ChordOf(bar);
    for (int i = 0; i < 8; ++i) {
      const int key = c.tones[size_t(i) % c.tones.size()] + (i >= 4 ? 12 : 0);
      piano.Note(t + i * kTicksPerQuarter / 2, kTicksPerQuarter / 2, key, i % 4 == 0 ? 88 : 70);
    }
  }
  piano.Control(kBars * kBar, 64, 0);

  // Bass: root and fifth in eighths, from bar 3.
  Track bass(1);
  bass.Start("Bass", 33, 110, 64);
  for (int bar = 2; bar < kBars; ++bar) {
    const int root = ChordOf(bar).root - 12;
    for (int i = 0; i < 8; ++i)
      bass.Note(bar * kBar + i * kTicksPerQuarter / 2, kTicksPerQuarter / 2 - 30,
                i % 4 == 3 ? root + 7 : root, i % 2 ? 80 : 100);
  }

  // Strings: whole-bar chords from bar 9 with expression swells.
  Track strings(2);
  strings.Start("Strings", 48, 90, 88);
  for (int bar = 8; bar < kBars; ++bar) {
    const int t = bar * kBar;
    for (int step = 0; step < 4; ++step) strings.Control(t + step * kTicksPerQuarter, 11, 80 + 15 * step);
    for (int key : ChordOf(bar).tones) strings.Note(t, kBar - 20, key, 76);
  }

  // Flute: a melody over chord tones from bar 9, with vibrato by modulation and a bend up into
  // the first note of bar 17.
  Track flute(3);
  flute.Start("Flute", 73, 105, 72);
  const int rhythm[6] = {2, 1, 1, 2, 1, 1};  // in eighths, two bars' worth per round: 8 eighths a bar
  for (int bar = 8; bar < 24; ++bar) {
    const Chord& c = ChordOf(bar);
    int t = bar * kBar, eighth = 0, i = 0;
    while (eighth < 8) {
      const int length = std::min(rhythm[(bar + i) % 6], 8 - eighth);
      const int key = c.tones[size_t(bar * 3 + i) % c.tones.size()] + 12;
      flute.Note(t + eighth * kTicksPerQuarter / 2, length * kTicksPerQuarter / 2 - 20, key, 96);
      eighth += length;
      ++i;
    }
    flute.Control(t, 1, 0);
    flute.Control(t + kBar / 2, 1, 60);
  }
  flute.Bend(16 * kBar - kTicksPerQuarter, -4096);
  for (int s = 1; s <= 8; ++s) flute.Bend(16 * kBar - kTicksPerQuarter + s * kTicksPerQuarter / 8, -4096 + s * 512);
  flute.Note(24 * kBar, 4 * kBar - 40, 72, 90);  // a long last note under the ritardando
  flute.Control(24 * kBar, 1, 90);

  // Guitar, then an electric piano (program change at bar 17): off-beat chords.
  Track keys(4);
  keys.Start("Guitar / E.Piano", 24, 95, 30);
  keys.Program(16 * kBar, 4);
  keys.Control(16 * kBar, 10, 100);
  for (int bar = 4; bar < 24; ++bar)
    for (int beat = 0; beat < 4; ++beat)
      for (int key : ChordOf(bar).tones)
        keys.Note(bar * kBar + beat * kTicksPerQuarter + kTicksPerQuarter / 2, kTicksPerQuarter / 3, key, 72);

  // Brass: stabs on the first beat of every other bar from bar 17.
  Track brass(5);
  brass.Start("Brass", 61, 100, 56);
  for (int bar = 16; bar < kBars; bar += 2)
    for (int key : ChordOf(bar).tones) brass.Note(bar * kBar, kTicksPerQuarter * 3 / 2, key, 100);
  for (int key : ChordOf(0).tones) brass.Note((kBars - 1) * kBar, kBar, key, 110);

  // Drums on channel 10: kick, snare, hats, a crash at every eight bars, a fill before them.
  Track drums(9);
  drums.Name("Drums");
  drums.Program(0, 0);
  drums.Control(0, 7, 115);
  for (int bar = 0; bar < kBars - 1; ++bar) {
    const int t = bar * kBar;
    if (bar % 8 == 0) drums.Note(t, kTicksPerQuarter, 49, 110);
    for (int beat = 0; beat < 4; ++beat) {
      const int b = t + beat * kTicksPerQuarter;
      drums.Note(b, 120, beat % 2 == 0 ? 36 : 38, beat % 2 == 0 ? 110 : 100);
      const bool open = beat == 3 && bar % 2 == 1;
      drums.Note(b, 100, 42, 80);
      drums.Note(b + kTicksPerQuarter / 2, 100, open ? 46 : 42, 64);
    }
    if (bar % 8 == 7)
      for (int s = 0; s < 4; ++s) drums.Note(t + 3 * kTicksPerQuarter + s * 120, 100, 45 + s % 3 * 2, 90);
  }
  drums.Note((kBars - 1) * kBar, kTicksPerQuarter, 49, 120);
  drums.Note((kBars - 1) * kBar, kTicksPerQuarter, 36, 120);

  std::vector<std::vector<uint8_t>> tracks;
  for (const Track* t : {&conductor, &piano, &bass, &strings, &flute, &keys, &brass, &drums})
    tracks.push_back(t->Events());
  const std::vector<uint8_t> file = tonemill::MidiFileBytes(1, kTicksPerQuarter, tracks);
  FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "make_demo_song: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
