#include "dense_song.h"

#include "tonemill/files/wavwriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <vector>

namespace bench {
namespace {

void WriteWav(const std::string& path, int rate, int channels, const std::vector<int16_t>& data) {
  const tonemill::AudioFormat format{rate, 16, channels};
  tonemill::WriteCanonicalWavFile(path, format, tonemill::EncodePcm(format, data));
}

struct Instrument {
  std::string name;
  int rate;
  int channels;
  int frames;
  bool looped;
  int loopStart, loopEnd;
  double releaseSeconds;  // time for the release to reach silence from full level
};

// Harmonic tones with a loop of whole periods, and decaying one-shots.
std::vector<Instrument> MakeSamples(const std::string& dir, std::mt19937& rng) {
  std::vector<Instrument> list;
  const int rates[] = {44100, 22050};
  for (int i = 0; i < 8; ++i) {
    Instrument in;
    in.name = "BENCH" + std::to_string(i);
    in.rate = rates[i % 2];
    in.channels = i % 3 == 0 ? 2 : 1;
    in.looped = i < 5;
    const int period = 100 + 7 * i;
    in.frames = in.looped ? in.rate * 2 : in.rate / 2;
    in.loopStart = in.rate / 2 / period * period;
    in.loopEnd = in.loopStart + 40 * period - 1;
    in.releaseSeconds = in.looped ? 0.3 : 10;
    std::vector<int16_t> data(size_t(in.frames) * size_t(in.channels));
    std::uniform_real_distribution<double> noise(-1, 1);
    for (int f = 0; f < in.frames; ++f) {
      const double t = double(f) / period;
      double v = in.looped ? std::sin(2 * M_PI * t) + 0.3 * std::sin(6 * M_PI * t)
                           : (std::sin(2 * M_PI * t) + 0.5 * noise(rng)) * std::exp(-6.0 * f / in.frames);
      for (int c = 0; c < in.channels; ++c)
        data[size_t(f * in.channels + c)] = int16_t(std::lround(v * 6000 * (c ? 0.8 : 1.0)));
    }
    WriteWav(dir + in.name + ".WAV", in.rate, in.channels, data);
    list.push_back(in);
  }
  return list;
}

struct Strike {
  int on, off;
  int velocity;
  bool modulated;
};

}  // namespace

DenseSongStats WriteDenseSong(const DenseSongShape& shape, const std::string& sampleDir,
                              const std::string& lstPath) {
  std::mt19937 rng(shape.seed);
  const std::vector<Instrument> instruments = MakeSamples(sampleDir, rng);
  DenseSongStats stats;
  stats.instruments = int(instruments.size());

  // Each lane plays strikes one after another, so at most `lanes` sound at once.
  std::map<std::pair<int, int>, std::vector<Strike>> blocks;  // (instrument, key) -> strikes
  std::vector<std::pair<int, int>> soundingSpans;
  const int perLane = (shape.strikes + shape.lanes - 1) / shape.lanes;
  const double laneSpan = double(shape.durationMs - 3000) / perLane;
  std::uniform_int_distribution<int> pickInstrument(0, int(instruments.size()) - 1);
  std::uniform_int_distribution<int> pickKey(30, 96);
  std::uniform_int_distribution<int> pickVelocity(40, 127);
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> pickHighKey(48, 96);
  int made = 0;
  for (int lane = 0; lane < shape.lanes && made < shape.strikes; ++lane) {
    double t = unit(rng) * laneSpan * 0.1;
    for (int i = 0; i < perLane && made < shape.strikes; ++i, ++made) {
      const int inst = pickInstrument(rng);
      const Instrument& in = instruments[size_t(inst)];
      // One-shots stay at or above an octave below their base note, so they end in time.
      const int key = in.looped ? pickKey(rng) : pickHighKey(rng);
      const double held = laneSpan * (0.3 + 0.4 * unit(rng));
      Strike s{int(t), int(t + held), pickVelocity(rng), made % 10 == 0};
      blocks[{inst, key}].push_back(s);
      // Sounding until the release ends, or until a one-shot runs out.
      const double release = in.looped ? in.releaseSeconds * 1000 : 0;
      const double oneShot = in.looped ? 1e9 : 1000.0 * in.frames / in.rate * std::pow(2.0, (60 - key) / 12.0);
      const int end = int(std::min(s.off + release, s.on + oneShot));
      soundingSpans.push_back({s.on, std::max(end, s.on)});
      // The next strike of this lane starts after this one is silent.
      t = std::max(t + laneSpan, double(end) + 1);
    }
  }

  // Strikes of a block are in time order; a strike that would start before the previous one
  // of its block ended is moved after it, as the converter's blocks never overlap either.
  std::ofstream out(lstPath, std::ios::binary);
  out << shape.durationMs << "\r\n";
  for (int inst = 0; inst < int(instruments.size()); ++inst) {
    const Instrument& in = instruments[size_t(inst)];
    char line[256];
    std::snprintf(line, sizeof line,
                  "%s 60 64 %d 64 0 30 0 2 40 6 1.00 0.60 -0.20 %.2f 15 120 0 %d %d %d ",
                  in.name.c_str(), 20 + 12 * inst, in.looped ? -1.0 / in.releaseSeconds : -1.0,
                  in.frames - 1, in.looped ? in.loopStart : -1, in.looped ? in.loopEnd : -1);
    out << "{\r\n" << line << "\r\n";
    for (auto& [id, strikes] : blocks) {
      if (id.first != inst) continue;
      std::sort(strikes.begin(), strikes.end(), [](const Strike& a, const Strike& b) { return a.on < b.on; });
      ++stats.noteBlocks;
      out << "[\r\n" << id.second << "\r\n";
      int lastOff = -1;
      for (const Strike& s : strikes) {
        const int on = std::max(s.on, lastOff);
        const int off = std::max(s.off, on + 50);
        out << on << " ON " << s.velocity << "\r\n";
        if (s.modulated) {
          out << on + 20 << " MOD 90\r\n" << on + 60 << " BND 3000\r\n";
          ++stats.modulatedStrikes;
        }
        out << off << " OFF 64\r\n";
        lastOff = off;
        ++stats.strikes;
      }
      out << "]\r\n";
    }
    out << "}\r\n";
  }

  // Average and peak polyphony from the sounding spans, per millisecond.
  std::vector<int> delta(size_t(shape.durationMs) + 20000, 0);
  double total = 0;
  for (auto [a, b] : soundingSpans) {
    delta[size_t(a)]++;
    delta[size_t(std::min<int>(b, int(delta.size()) - 1))]--;
    total += b - a;
  }
  int running = 0;
  for (int d : delta) stats.maxVoices = std::max(stats.maxVoices, running += d);
  stats.averageVoices = total / shape.durationMs;
  return stats;
}

}  // namespace bench
