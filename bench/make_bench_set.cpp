// Writes the benchmark's material into a Tonemill home directory:
//   MID/songN.mid   General MIDI songs of ten minutes: a tempo track and one track for each of
//                   the 16 channels, with program changes, drums on channel 10, controllers,
//                   sustain pedal, pressure and bends; `notes` notes in all
//   PRG/p.PRG       one instrument per program used, Dp.PRG for the drum kits
//   WAV/*.WAV       the samples they name: looped tones and one-shot drums, 44100 Hz 16-bit mono
// Usage: make_bench_set HOME SONGS [NOTES]
#include "tests/support/midifiles.h"
#include "tonemill/files/wavwriter.h"
#include "tonemill/midi/midiwriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kDivision = 480;
constexpr uint32_t kSongTicks = 1200 * kDivision;  // ten minutes at 120 beats a minute

using testing_support::TimedEvent;

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples) {
  const tonemill::AudioFormat format{44100, 16, 1};
  return tonemill::WriteCanonicalWavFile(path, format, tonemill::EncodePcm(format, samples));
}

// A tone on key 60 with a period of exactly 168 samples, so that its loop is seamless; the
// program chooses the mix of harmonics.
std::vector<int16_t> Tone(int program) {
  std::vector<int16_t> s(44100);
  for (size_t i = 0; i < s.size(); ++i) {
    double v = 0;
    for (int h = 1; h <= 6; ++h)
      v += std::sin(2 * kPi * h * double(i) / 168.0) / (h + (program % 5) * (h - 1));
    const double attack = std::min(1.0, double(i) / 400.0);
    s[i] = int16_t(std::lround(9000 * attack * v));
  }
  return s;
}

std::vector<int16_t> Drum(int kind, std::mt19937& rng) {
  std::vector<int16_t> s(size_t(8000 + 4000 * kind));
  std::uniform_real_distribution<double> noise(-1, 1);
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = double(i) / 44100.0;
    const double body = std::sin(2 * kPi * (60 + 90 * kind) * t) * std::exp(-t * 25);
    const double hiss = noise(rng) * std::exp(-t * (40 - 8 * kind)) * 0.5 * kind;
    s[i] = int16_t(std::lround(14000 * (body + hiss)));
  }
  return s;
}

std::string PrgLine(const std::string& range, const std::string& wav, int pan, int bend,
                    bool looped, int end) {
  char line[256];
  std::snprintf(line, sizeof line,
                "%s %s c5 100 %d 80 20 60 10 %d 30 5 1.0 0.7 -0.08 %s 12 300 0 %d %s 16 1 44100 \r\n",
                range.c_str(), wav.c_str(), pan, bend, looped ? "-3.0" : "-1.0", end,
                looped ? "22008 30407" : "-1 -1");
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_bench_set HOME SONGS [NOTES]\n");
    return 2;
  }
  const std::string home = std::string(argv[1]) + "/";
  const int songs = std::atoi(argv[2]);
  const int totalNotes = argc > 3 ? std::atoi(argv[3]) : 20000;
  std::set<int> programs;
  std::mt19937 rng(1234);

  for (int song = 1; song <= songs; ++song) {
    std::vector<std::vector<uint8_t>> tracks;
    std::vector<TimedEvent> tempo;
    for (uint32_t minute = 0; minute < 10; ++minute) {
      const uint32_t us = minute % 2 ? 480000 : 520000;  // averages out to 120 beats a minute
      tempo.push_back({minute * 120 * kDivision, 0,
                       {0xFF, 0x51, 0x03, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)}});
    }
    tracks.push_back(testing_support::TrackFromTimedEvents(tempo));
    for (int channel = 0; channel < 16; ++channel) {
      const bool drums = channel == 9;
      const uint8_t ch = uint8_t(channel);
      std::vector<TimedEvent> ev;  // at one tick: controllers and programs, note offs, note ons
      const int notes = drums ? totalNotes * 3 / 16 : totalNotes * 13 / 16 / 15 + (channel < 1 ? totalNotes * 13 / 16 % 15 : 0);
      auto cc = [&](uint32_t t, int n, int v) {
        ev.push_back({t, 0, {uint8_t(0xB0 | ch), uint8_t(n), uint8_t(v)}});
      };
      cc(0, 7, 80 + channel * 3);
      cc(0, 10, (channel * 37) % 128);
      cc(0, 11, 100);
      // A new program every two minutes on the melodic channels; drum kit 0, then 25.
      for (uint32_t part = 0; part < 5; ++part) {
        const int program = drums ? (part < 3 ? 0 : 25) : (channel * 8 + int(part) * 3) % 128;
        if (!drums) programs.insert(program);
        ev.push_back({part * 240 * kDivision, 0, {uint8_t(0xC0 | ch), uint8_t(program)}});
      }
      const uint32_t step = kSongTicks / uint32_t(notes);
      for (int i = 0; i < notes; ++i) {
        const uint32_t start = uint32_t(i) * step;
        const int key = drums ? 35 + int(rng() % 12) : 36 + channel * 2 + int(rng() % 24);
        const uint32_t length = drums ? step / 2 : step + uint32_t(rng() % (step * 2 + 1));
        const uint32_t end = std::min(start + length, kSongTicks - 1);
        ev.push_back({start, 2, {uint8_t(0x90 | ch), uint8_t(key), uint8_t(60 + rng() % 60)}});
        ev.push_back({end, 1, {uint8_t(0x80 | ch), uint8_t(key), uint8_t(rng() % 100)}});
        if (!drums && i % 8 == 0) {
          // A bend up and back, an expression swell and some pressure while the note sounds.
          for (uint32_t k = 1; k <= 4; ++k) {
            const int bend = 8192 + int(k % 4) * 900;
            ev.push_back({start + k * length / 6, 0,
                          {uint8_t(0xE0 | ch), uint8_t(bend & 0x7F), uint8_t(bend >> 7)}});
            cc(start + k * length / 6, 11, 80 + int(k) * 10);
          }
          ev.push_back({start + length / 2, 0, {uint8_t(0xD0 | ch), uint8_t(rng() % 100)}});
          cc(start + length / 3, 1, int(rng() % 40));
        }
        if (!drums && channel % 4 == 1 && i % 16 == 0) {
          cc(start, 64, 127);
          cc(start + step * 3, 64, 0);
        }
      }
      tracks.push_back(testing_support::TrackFromTimedEvents(ev));
    }
    if (!WriteFile(home + "MID/song" + std::to_string(song) + ".mid",
                   tonemill::MidiFileBytes(1, kDivision, tracks))) {
      std::fprintf(stderr, "make_bench_set: can't write into %sMID\n", home.c_str());
      return 1;
    }
  }

  for (int program : programs) {
    const std::string wav = "TONE" + std::to_string(program);
    std::string text = PrgLine("c0-b4", wav, 64, 2, true, 44099) +
                       PrgLine("c5-g10", wav, 64 + program % 20, 2, true, 44099);
    if (program % 3 == 0) text += PrgLine("c0-g10", "TONE" + std::to_string(program % 7), 40, 12, true, 44099);
    if (!WriteFile(home + "PRG/" + std::to_string(program) + ".PRG",
                   std::vector<uint8_t>(text.begin(), text.end())) ||
        !WriteWav(home + "WAV/" + wav + ".WAV", Tone(program)))
      return 1;
    if (!WriteWav(home + "WAV/TONE" + std::to_string(program % 7) + ".WAV", Tone(program % 7)))
      return 1;
  }
  for (int kit : {0, 25}) {
    std::string text;
    const char* ranges[] = {"b1-d2", "d#2-f#2", "g2-g10", "c0-a#1"};
    for (int kind = 0; kind < 4; ++kind) {
      const std::string wav = "DRUM" + std::to_string(kind);
      if (!WriteWav(home + "WAV/" + wav + ".WAV", Drum(kind, rng))) return 1;
      text += PrgLine(ranges[kind], wav, 30 + 20 * kind, 0, false, 7999 + 4000 * kind);
    }
    if (!WriteFile(home + "PRG/D" + std::to_string(kit) + ".PRG",
                   std::vector<uint8_t>(text.begin(), text.end())))
      return 1;
  }
  return 0;
}
