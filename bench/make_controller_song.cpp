// Writes a song whose list is far larger than its MIDI file, for measuring the converter's
// memory: NOTES long notes that all sound through CONTROLLERS volume changes of their channel,
// so that every note carries every change (about 144 MB of list from 300 KB of MIDI with the
// defaults).
//   DIR/controllers.mid   the song (format 0, 480 ticks a quarter, one change a tick)
//   DIR/PRG/0.PRG         one instrument covering every key
// Usage: make_controller_song DIR [NOTES] [CONTROLLERS]
#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_controller_song DIR [NOTES] [CONTROLLERS]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int notes = argc > 2 ? std::atoi(argv[2]) : 96;
  const int controllers = argc > 3 ? std::atoi(argv[3]) : 100000;
  if (notes < 1 || notes > 128 || controllers < 0) {
    std::fprintf(stderr, "make_controller_song: 1 to 128 notes, 0 or more controllers\n");
    return 2;
  }
  using testing_support::MidiTrack;
  MidiTrack track;
  for (int n = 0; n < notes; ++n) track.NoteOn(0, 1, n, 100);
  // One tick (just over a millisecond) apart, each value differing from the one before, so
  // that no change is dropped as redundant; running status after the first.
  for (int c = 0; c < controllers; ++c) {
    const uint8_t value = uint8_t(20 + c % 100);
    if (c == 0)
      track.Controller(1, 1, 7, value);
    else
      track.Delta(1).Raw({7, value});
  }
  for (int n = 0; n < notes; ++n) track.NoteOff(n == 0 ? 1 : 0, 1, n, 64);
  track.EndOfTrack();

  std::filesystem::create_directories(dir + "/PRG");
  testing_support::WriteBytes(dir + "/controllers.mid", testing_support::MidiFile(0, 480, {track}));
  testing_support::WriteText(
      dir + "/PRG/0.PRG",
      "c0-g10 TONE c5 100 64 100 0 50 0 2 0 5 1.00 0.80 -0.10 -2.00 10 100 0 999 -1 -1 16 1 44100 \r\n");
  std::printf("%s/controllers.mid: %d notes, %d controller changes\n", dir.c_str(), notes, controllers);
  return 0;
}
