// The WAV viewer's costs on a long file: building the summary once, and the per-column extents
// of a window at several zooms, as every repaint after a zoom or a scroll asks for them.
//   viewer_bench [MINUTES=30] [DIR=/tmp]
// Writes a stereo 16-bit 44100 Hz file of that length into DIR (and removes it afterwards).
#include "tonemill/files/wavheader.h"
#include "tonemill/wave/wavesummary.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}
double CpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

void WriteSong(const std::string& path, int64_t frames) {
  std::ofstream out(path, std::ios::binary);
  const std::vector<uint8_t> header = tonemill::CanonicalWavHeader({44100, 16, 2}, uint32_t(frames * 4));
  out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
  std::vector<int16_t> block(2 * 44100);
  for (int64_t f = 0; f < frames; f += 44100) {
    const int64_t n = std::min<int64_t>(44100, frames - f);
    for (int64_t i = 0; i < n; ++i) {
      const double t = double(f + i) / 44100;
      const double envelope = 0.3 + 0.7 * std::fabs(std::sin(0.5 * t));
      block[size_t(2 * i)] = int16_t(25000 * envelope * std::sin(2 * M_PI * 440 * t));
      block[size_t(2 * i + 1)] = int16_t(20000 * envelope * std::sin(2 * M_PI * 330 * t));
    }
    out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(n * 4));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double minutes = argc > 1 ? std::atof(argv[1]) : 30;
  const std::string dir = argc > 2 ? argv[2] : "/tmp";
  const std::string path = dir + "/viewer_bench.wav";
  const int64_t frames = int64_t(minutes * 60 * 44100);
  WriteSong(path, frames);
  std::printf("file: %.0f minutes, stereo 16-bit 44100 Hz, %.0f MB\n", minutes,
              double(std::filesystem::file_size(path)) / 1e6);

  auto start = Clock::now();
  double cpu = CpuSeconds();
  tonemill::WaveSummary summary(path);
  tonemill::Progress progress;
  summary.Build(progress);
  std::printf("summary, built once: %.3f s wall, %.3f s processor (%lld of %lld frames)\n", Seconds(start),
              CpuSeconds() - cpu, (long long)summary.Summarised(), (long long)summary.Frames());

  const int width = 1200;
  std::vector<tonemill::SampleExtent> columns[2];
  std::printf("%-12s %-10s %-6s %s\n", "zoom", "frames", "level", "ms per repaint (average of 50 scroll steps)");
  for (double zoom : {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0}) {
    const int64_t shown = int64_t(double(frames) / zoom);
    start = Clock::now();
    const int steps = 50;
    for (int s = 0; s < steps; ++s) {
      const int64_t first = std::min<int64_t>(frames - shown, int64_t(s) * (frames / steps));
      summary.Columns(first, shown, width, columns);
    }
    std::printf("%-12.0f %-10lld %-6d %.3f\n", zoom, (long long)shown, summary.LevelFor(shown, width),
                Seconds(start) * 1000 / steps);
  }
  std::filesystem::remove(path);
  return 0;
}
