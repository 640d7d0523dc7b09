// The pitch probe: for every melodic program of a PRG directory, one note at the base key of
// the layer that plays key 60 (where the renderer plays the sample unshifted), 2 s long at
// velocity 100 and volume 100, one program every 3 s. "make" writes the notes as a MIDI file for
// the reference synthesizer and as an LST song list for the renderer; "measure" reads both
// renders and compares the fundamental frequency and the level of every note.
//   pitchprobe make PRG_DIR OUT.mid OUT.lst
//   pitchprobe measure PRG_DIR REFERENCE.wav TEST.wav
#include "wavread.h"

#include "tonemill/midi/midiwriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kSpacingMs = 3000, kNoteMs = 2000;

int KeyNumber(const std::string& text) {  // "c#5" -> 61, as the PRG files write keys
  static const char* const kNames[12] = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};
  size_t digits = text.find_first_of("0123456789");
  if (digits == std::string::npos) return -1;
  const std::string name = text.substr(0, digits);
  for (int i = 0; i < 12; ++i)
    if (name == kNames[i]) return i + 12 * std::stoi(text.substr(digits));
  return -1;
}

struct Layer {
  int low = 0, high = 0, baseKey = 0;
  std::vector<std::string> fields;
};

std::vector<Layer> ReadPrg(const std::string& path) {
  std::vector<Layer> layers;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    Layer l;
    for (std::string w; words >> w;) l.fields.push_back(w);
    if (l.fields.size() < 22 || l.fields[0][0] == '#') continue;
    const std::string range = l.fields[0];
    const size_t dash = range.find('-');
    l.low = KeyNumber(range.substr(0, dash));
    l.high = dash == std::string::npos ? l.low : KeyNumber(range.substr(dash + 1));
    l.baseKey = KeyNumber(l.fields[2]);
    layers.push_back(l);
  }
  return layers;
}

// The probe of a program: the first layer that plays key 60 gives the base key, where the
// renderer plays it unshifted. The reference plays the base key too when that layer covers it,
// else the nearest key the layer covers, and its pitch is then carried to the base key in equal
// temperament, as the bank would play it. The renderer plays, at the base key, the layers that
// sound the reference key and have that base key, so that every sample it plays is unshifted
// (other layers would bring in the renderer's own interval ratios). Without a layer for key 60,
// `key` is -1.
struct Probe {
  int key = -1;           // the renderer's note: the first layer's base key
  int referenceKey = -1;  // the reference's note
  std::vector<Layer> layers;
};

Probe ProbeOf(const std::string& prgDir, int program) {
  Probe p;
  const std::vector<Layer> layers = ReadPrg(prgDir + "/" + std::to_string(program) + ".PRG");
  for (const Layer& l : layers)
    if (l.low <= 60 && 60 <= l.high && l.baseKey >= 0 && l.baseKey <= 127) {
      p.key = l.baseKey;
      p.referenceKey = std::clamp(l.baseKey, l.low, l.high);
      break;
    }
  for (const Layer& l : layers)
    if (p.key >= 0 && l.low <= p.referenceKey && p.referenceKey <= l.high) p.layers.push_back(l);
  return p;
}

int Make(const std::string& prgDir, const std::string& midPath, const std::string& lstPath) {
  // One tick is one millisecond: 500 ticks per quarter at the default 500000 us per quarter.
  tonemill::MidiTrackWriter track;
  std::ofstream lst(lstPath, std::ios::binary);
  lst << 128 * kSpacingMs + 1000 << "\r\n";
  int last = 0, probes = 0;
  for (int program = 0; program < 128; ++program) {
    const Probe p = ProbeOf(prgDir, program);
    if (p.key < 0) continue;
    ++probes;
    const int t = program * kSpacingMs;
    track.Channel(uint32_t(t - last), 0xc0, uint8_t(program))
        .Channel(0, 0xb0, 7, 100)
        .Channel(0, 0x90, uint8_t(p.referenceKey), 100)
        .Channel(kNoteMs, 0x80, uint8_t(p.referenceKey), 64);
    last = t + kNoteMs;
    for (const Layer& l : p.layers) {
      if (l.baseKey != p.key) continue;  // only layers the renderer plays unshifted
      lst << "{\r\n" << l.fields[1] << " " << l.baseKey << " ";
      for (size_t f = 3; f < 22; ++f) lst << l.fields[f] << " ";
      lst << "\r\n[\r\n" << p.key << "\r\n" << t << " ON 100\r\n" << t << " VOL 100\r\n"
          << t + kNoteMs << " OFF 64\r\n]\r\n}\r\n";
    }
  }
  track.EndOfTrack();
  const std::vector<uint8_t> mid = tonemill::MidiFileBytes(0, 500, {track.Bytes()});
  std::ofstream(midPath, std::ios::binary).write(reinterpret_cast<const char*>(mid.data()), std::streamsize(mid.size()));
  std::printf("%d programs probed\n", probes);
  return lst ? 0 : 1;
}

// The fundamental of a stretch of signal by normalised autocorrelation: the shortest strong
// period near the expected one, refined on a multiple of it.
double Fundamental(const std::vector<double>& x, size_t from, size_t length, int rate, double expected) {
  if (from + length * 2 > x.size()) return 0;
  auto correlation = [&](size_t lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = from; i < from + length; ++i) {
      xy += x[i] * x[i + lag];
      xx += x[i] * x[i];
      yy += x[i + lag] * x[i + lag];
    }
    return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
  };
  auto peak = [&](size_t lag) {  // parabolic refinement around a local maximum
    const double a = correlation(lag - 1), b = correlation(lag), c = correlation(lag + 1);
    const double d = a - 2 * b + c;
    return d < 0 ? double(lag) + 0.5 * (a - c) / d : double(lag);
  };
  const size_t low = std::max<size_t>(2, size_t(rate / (expected * 1.5))), high = size_t(rate / (expected / 1.5)) + 2;
  std::vector<double> r(high + 2, 0.0);
  double best = 0;
  for (size_t lag = low - 1; lag <= high + 1; ++lag) best = std::max(best, r[lag] = correlation(lag));
  size_t lag = 0;
  for (size_t l = low; l <= high && !lag; ++l)
    if (r[l] >= 0.9 * best && r[l] >= r[l - 1] && r[l] >= r[l + 1]) lag = l;
  if (!lag) return 0;
  double period = peak(lag);
  const size_t multiple = std::max<size_t>(1, size_t(2000 / period));
  if (multiple > 1) {
    size_t around = size_t(std::lround(period * double(multiple))), bestLag = around;
    for (size_t l = around - 2; l <= around + 2; ++l)
      if (correlation(l) > correlation(bestLag)) bestLag = l;
    period = peak(bestLag) / double(multiple);
  }
  return rate / period;
}

double RmsDb(const std::vector<double>& x, size_t from, size_t length) {
  double sum = 0;
  for (size_t i = from; i < from + length && i < x.size(); ++i) sum += x[i] * x[i];
  return 10.0 * std::log10(std::max(1e-20, sum / double(length)));
}

int Measure(const std::string& prgDir, const std::string& refPath, const std::string& testPath) {
  const bench::Signal ref = bench::ReadSignal(refPath), test = bench::ReadSignal(testPath);
  int probes = 0, within = 0, clean = 0, cleanWithin = 0;
  double worst = 0, levelSum = 0, levelSquares = 0;
  std::printf("program key ref_key ref_hz test_hz cents ref_db test_db unshifted\n");
  for (int program = 0; program < 128; ++program) {
    const Probe p = ProbeOf(prgDir, program);
    if (p.key < 0) continue;
    const double expected = 440.0 * std::exp2((p.key - 69) / 12.0);
    const size_t from = size_t((program * kSpacingMs + 300) * int64_t(ref.rate) / 1000), length = size_t(ref.rate);
    const double shift = std::exp2((p.key - p.referenceKey) / 12.0);
    const double fr = Fundamental(ref.mono, from, length, ref.rate, expected / shift) * shift;
    const double ft = Fundamental(test.mono, from, length, test.rate, expected);
    const double cents = fr > 0 && ft > 0 ? 1200.0 * std::log2(ft / fr) : 9999;
    const double lr = RmsDb(ref.mono, from, length), lt = RmsDb(test.mono, from, length);
    // Unshifted: the renderer plays every layer of the probe at its own base key, so the pitch
    // is the importer's alone (no interval ratio of the renderer is involved).
    bool unshifted = p.referenceKey == p.key;
    for (const Layer& l : p.layers) unshifted = unshifted && l.baseKey == p.key;
    std::printf("%d %d %d %.2f %.2f %.2f %.1f %.1f %s\n", program, p.key, p.referenceKey, fr, ft, cents, lr, lt,
                unshifted ? "yes" : "no");
    ++probes;
    within += std::abs(cents) <= 5.0;
    clean += unshifted;
    cleanWithin += unshifted && std::abs(cents) <= 5.0;
    worst = std::max(worst, std::abs(cents));
    levelSum += lt - lr;
    levelSquares += (lt - lr) * (lt - lr);
  }
  const double mean = levelSum / std::max(1, probes);
  std::printf("summary: %d programs, %d within 5 cents (unshifted probes: %d of %d), worst %.2f cents; "
              "level test-ref %.1f dB (spread %.1f dB)\n",
              probes, within, cleanWithin, clean, worst, mean, std::sqrt(std::max(0.0, levelSquares / std::max(1, probes) - mean * mean)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (mode == "make" && argc == 5) return Make(argv[2], argv[3], argv[4]);
    if (mode == "measure" && argc == 5) return Measure(argv[2], argv[3], argv[4]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pitchprobe: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: pitchprobe make PRG_DIR OUT.mid OUT.lst\n"
                       "       pitchprobe measure PRG_DIR REFERENCE.wav TEST.wav\n");
  return 2;
}
