// The renderer's two hot kernels against their plain definitions, measured in the same run:
// mixing (trunc(value × level) with the level in extended precision) and resampling at the
// ratio 128/119 (h = 768).
#include "resona/interpolate.h"
#include "resona/mix.h"
#include "tonemill/render/wavetables.h"
#include "resona/resample.h"
#include "tests/resona/reference.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

template <class F>
double SecondsPerRun(F&& run, int repeat) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < repeat; ++i) run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeat;
}

volatile int64_t gSink;

}  // namespace

int main() {
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> sample(-32768, 32767);

  // Mixing one 88200-frame block of one channel into an interleaved stereo block.
  const int32_t n = 88200;
  std::vector<int16_t> values(static_cast<size_t>(n)), block(static_cast<size_t>(2 * n));
  for (auto& v : values) v = int16_t(sample(rng));
  std::vector<int32_t> left(static_cast<size_t>(n)), right(static_cast<size_t>(n));
  const float ls = 0.37f, slope = -3.1e-6f;
  auto fast = [&] {
    resona::RampProducts(values.data(), n, ls, slope, 0, left.data());
    resona::RampProducts(values.data(), n, ls * 0.5f, slope, 0, right.data());
    resona::AddSaturating(block.data(), 2, left.data(), right.data(), n);
  };
  auto plain = [&] {
    for (int32_t m = 0; m < n; ++m)
      for (int c = 0; c < 2; ++c) {
        int32_t s = block[size_t(2 * m + c)] +
                    resona::RampProduct(values[size_t(m)], c ? ls * 0.5f : ls, slope, m);
        block[size_t(2 * m + c)] = int16_t(s < -32768 ? -32768 : s > 32767 ? 32767 : s);
      }
  };
  // The same in one pass, where the machine has it.
  const resona::RampRun<int16_t> runs[2] = {{values.data(), ls, slope, 0, n},
                                            {values.data(), ls * 0.5f, slope, 0, n}};
  const bool onePass = resona::MixRamps(block.data(), 2, runs, 0, n);
  const double tFast = SecondsPerRun(fast, 400);
  const double tOne = onePass ? SecondsPerRun([&] { resona::MixRamps(block.data(), 2, runs, 0, n); }, 400) : 0;
  const double tPlain = SecondsPerRun(plain, 40);
  std::printf("mixing: fast %.0f M channel-samples/s, extended-precision definition %.0f M/s, ratio %.1f\n",
              2 * n / tFast / 1e6, 2 * n / tPlain / 1e6, tPlain / tFast);
  if (onePass)
    std::printf("mixing in one pass: %.0f M channel-samples/s, ratio %.1f\n", 2 * n / tOne / 1e6,
                tPlain / tOne);

  // Resampling a 20000-frame array at 128/119.
  std::vector<int16_t> in(20000);
  for (auto& v : in) v = int16_t(sample(rng));
  const resona::ResampleKernel kernel = resona::BuildKernel(128, 119);
  std::vector<int16_t> out(in.size() * 128 / 119);
  resona::Resampler resampler(kernel);
  const double rFast = SecondsPerRun(
      [&] { resampler.Run(in.data(), int64_t(in.size()), out.data(), int64_t(out.size())); }, 50);
  const double rPlain = SecondsPerRun([&] { gSink = reference::Resample(kernel, in)[7]; }, 2);
  std::printf("resampling 128/119 (h = %d): fast %.1f M samples/s, definition %.2f M samples/s, ratio %.1f\n",
              kernel.h, double(out.size()) / rFast / 1e6, double(out.size()) / rPlain / 1e6,
              rPlain / rFast);

  // Fractional playback with vibrato over a looped note buffer, one block of stereo frames.
  const tonemill::WaveTables tables = tonemill::BuildWaveTables();
  std::vector<int16_t> noteL(50002), noteR(50002);
  for (size_t i = 0; i < 50000; ++i) {
    noteL[i] = int16_t(sample(rng));
    noteR[i] = int16_t(sample(rng));
  }
  resona::NoteSample note;
  note.left = noteL.data();
  note.right = noteR.data();
  note.lastIndex = 49999;
  note.loopStart = 10000;
  note.loopEnd = 49999;
  note.loopLength = 40000;
  resona::Voice start;
  start.position = 10000;
  start.step = 34000;
  start.modDepth = 120;
  start.lfoPeriod = 44100 / 6;
  std::vector<int32_t> outL(static_cast<size_t>(n)), outR(static_cast<size_t>(n));
  resona::Voice v = start;
  const double iFast = SecondsPerRun([&] {
    resona::InterpolateValues(v, note, n, true, true, tables.cosine.data(), outL.data(), outR.data());
  }, 100);
  v = start;
  const double iPlain = SecondsPerRun([&] {
    reference::Interpolate(v, note, n, true, true, tables.cosine.data(), outL.data(), outR.data());
  }, 20);
  std::printf("interpolating with vibrato: fast %.0f M frames/s, definition %.0f M frames/s, ratio %.1f\n",
              n / iFast / 1e6, n / iPlain / 1e6, iPlain / iFast);
  return 0;
}
