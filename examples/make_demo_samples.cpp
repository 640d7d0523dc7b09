// Writes the demo's two samples into a directory:
//   TONE.WAV  44100 Hz 16-bit mono, a harmonic tone on key 60 with a sustain loop of whole periods
//   DRUM.WAV  22050 Hz 16-bit mono, a percussive one-shot (pitched body and noise, decaying)
#include "tonemill/files/wavwriter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool WriteWav(const std::string& path, int rate, const std::vector<int16_t>& samples) {
  const tonemill::AudioFormat format{rate, 16, 1};
  return tonemill::WriteCanonicalWavFile(path, format, tonemill::EncodePcm(format, samples));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_samples DIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const double pi = 3.14159265358979323846;

  // A period of exactly 168 samples (262.5 Hz) so that a loop of whole periods is seamless.
  const int period = 168;
  std::vector<int16_t> tone(44100);
  for (size_t i = 0; i < tone.size(); ++i) {
    const double t = double(i) / period;
    const double bright = std::exp(-double(i) / 6000.0);  // upper partials fade into the loop
    double v = std::sin(2 * pi * t) + 0.5 * std::sin(4 * pi * t) + 0.25 * std::sin(6 * pi * t) +
               0.4 * bright * std::sin(10 * pi * t);
    tone[i] = int16_t(std::lround(v * 4500));
  }

  std::vector<int16_t> drum(8820);
  uint32_t seed = 12345;
  for (size_t i = 0; i < drum.size(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = double(int32_t(seed) >> 8) / double(1 << 23);
    const double t = double(i) / 22050.0;
    const double body = std::sin(2 * pi * (180.0 * t - 60.0 * t * t)) * std::exp(-t * 12.0);
    const double v = 0.7 * body + 0.35 * noise * std::exp(-t * 30.0);
    drum[i] = int16_t(std::lround(v * 9000));
  }

  if (!WriteWav(dir + "TONE.WAV", 44100, tone) || !WriteWav(dir + "DRUM.WAV", 22050, drum)) {
    std::fprintf(stderr, "make_demo_samples: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
