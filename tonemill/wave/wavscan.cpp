#include "wavscan.h"

#include "wavblocks.h"
#include "samples.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/wavheader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <type_traits>
#include <vector>

namespace tonemill {
namespace {

// One channel's running figures over whole blocks. Squares are summed in 64-bit integers:
// below 2^64 that is exactly the extended-precision sum.
// The squares of 24 and 32-bit samples need the 128 bits.
__extension__ typedef unsigned __int128 SquareSum;

struct ChannelScan {
  int32_t minimum = 0, maximum = 0;
  int64_t saturated = 0;
  SquareSum sumSquares = 0;
};

template <SampleLayout L>
void ScanBlock(const uint8_t* p, int64_t frames, bool first, ChannelScan (&c)[2]) {
  constexpr int32_t frameBytes = kFrameBytes[L];
  constexpr bool eight = L == Mono8 || L == Stereo8;
  constexpr int channels = IsStereo(L) ? 2 : 1;
  constexpr SampleLimits limits = SampleLimits::ForBits(BitsOf(L));
  constexpr int32_t low = eight ? 0 : limits.low, high = eight ? 255 : limits.high;
  if (first) {
    const FrameValues v = DecodeFrame<L>(p);
    c[0].minimum = c[0].maximum = v.left + (eight ? 128 : 0);
    c[1].minimum = c[1].maximum = v.right + (eight ? 128 : 0);
  }
  // A block's squares fit 64 bits up to 24-bit samples (2^46 each, 10000 frames): summed
  // there, and into the channel's total once per block.
  using BlockSum = std::conditional_t<(BitsOf(L) <= 24), uint64_t, SquareSum>;
  BlockSum sums[2] = {0, 0};
  int32_t lows[2] = {c[0].minimum, c[1].minimum}, highs[2] = {c[0].maximum, c[1].maximum};
  int64_t saturated[2] = {0, 0};
  for (int64_t i = 0; i < frames; ++i, p += frameBytes) {
    const FrameValues v = DecodeFrame<L>(p);
    const int32_t centred[2] = {v.left, v.right};
    for (int ch = 0; ch < channels; ++ch) {
      const int32_t raw = centred[ch] + (eight ? 128 : 0);
      lows[ch] = std::min(lows[ch], raw);
      highs[ch] = std::max(highs[ch], raw);
      saturated[ch] += raw == low || raw == high;
      sums[ch] += BlockSum(uint64_t(int64_t(centred[ch]) * centred[ch]));
    }
  }
  for (int ch = 0; ch < channels; ++ch) {
    c[ch].minimum = lows[ch];
    c[ch].maximum = highs[ch];
    c[ch].saturated += saturated[ch];
    c[ch].sumSquares += SquareSum(sums[ch]);
  }
}

void Store(const ChannelScan& c, bool any, int32_t& minimum, int32_t& maximum, int32_t& saturated,
           long double& sumSquares) {
  if (any) {
    minimum = c.minimum;
    maximum = c.maximum;
  }
  saturated = int32_t(c.saturated);
  sumSquares = (long double)c.sumSquares;
}

ChannelFigures Figures(const ScanSetup& setup, int32_t minimum, int32_t maximum, int32_t saturated,
                       long double sumSquares, double n) {
  ChannelFigures f;
  f.minimum = std::to_string(minimum) + setup.minSuffix;
  f.maximum = std::to_string(maximum) + setup.maxSuffix;
  f.rms = double(std::sqrt(sumSquares / n));
  f.rmsText = FormatFixed(f.rms, 2);
  f.rmsGauge = int32_t(f.rms / setup.fullScale * 100);
  f.saturated = saturated;
  f.saturatedPercent = saturated / n * 100;
  f.saturationGauge = int32_t(f.saturatedPercent);
  return f;
}

}  // namespace

std::optional<Problem> PrepareScan(const std::string& name, ScanSetup& setup, WavStats& stats) {
  const TWAVheader h(name);
  const std::optional<WaveEncoding> encoding = EngineEncoding(h);
  if (!h.Valid && !(encoding && !h.Truncated)) {
    const std::string message = WavInputProblem(h, name);
    return Problem(message.empty() ? "Unsupported WAV format in " + name : message, name);
  }
  if (!encoding && h.DataSize >= 0 && h.SampleRate > 0)
    return Problem("Unsupported sample size (" + std::to_string(h.BitsPerSample) +
                       " bits) in WAV file " + name,
                   name);
  // A data chunk of 2 GB or more (or one a streaming writer left at its largest) is beyond the
  // 32-bit counters of the scan.
  if (h.DataSize < 0) return Problem("Data of " + name + " too large to process", name);
  if (h.SampleRate <= 0)
    return Problem("Unsupported sampling rate (" + std::to_string(h.SampleRate) +
                       " Hz) in WAV file " + name,
                   name);
  setup = ScanSetup();
  setup.name = name;
  setup.bits = h.BitsPerSample;
  setup.isFloat = h.IsFloat;
  setup.rate = h.SampleRate;
  setup.channels = h.Channels;
  setup.dataSize = h.DataSize;
  const int32_t frameBytes = h.BitsPerSample / 8 * h.Channels;
  setup.samples = h.DataSize / frameBytes;
  setup.durationMs = (1000.0 / h.SampleRate) * double(setup.samples);
  setup.framesPerByte = 1.0 / frameBytes;
  const bool eight = h.BitsPerSample == 8;
  // Wider samples at their own scale; floats as the 32-bit integers the engines make of them.
  const SampleLimits limits = SampleLimits::ForBits(h.BitsPerSample);
  setup.fullScale = eight ? 128 : -double(limits.low);
  auto suffix = [](int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "/%d", int(value));
    return std::string(text);
  };
  setup.minSuffix = eight ? "/0" : suffix(limits.low);
  setup.maxSuffix = eight ? "/255" : suffix(limits.high);
  stats = WavStats();
  const int32_t preset = eight ? 127 : limits.high;
  stats.MinLeft = stats.MaxLeft = stats.MinRight = stats.MaxRight = preset;
  return std::nullopt;
}

ScanResult ScanWav(const ScanSetup& setup, WavStats& stats, Progress& progress) {
  WavInputData input(setup.name);
  const int64_t frameBytes = input.FrameBytes();
  const int64_t whole = setup.dataSize - setup.dataSize % frameBytes;
  progress.total = ProgressTotal(setup.dataSize, setup.name);
  progress.done = 0;
  ChannelScan channels[2];
  std::vector<uint8_t> block(size_t(kFramesPerPump * frameBytes));
  int64_t offset = 0;
  bool fileEnded = false;
  // The scan's dialog cancels by setting the counter to the limit itself.
  while (offset < whole && progress.done < progress.total && !CancelRequested(progress)) {
    const int64_t want = std::min<int64_t>(kFramesPerPump * frameBytes, whole - offset);
    const int64_t frames = int64_t(input.Read(block.data(), size_t(want), offset)) / frameBytes;
    if (frames == 0) {
      fileEnded = true;
      break;
    }
    const bool first = offset == 0;
    WithLayout(input.Layout(),
               [&]<SampleLayout L>() { ScanBlock<L>(block.data(), frames, first, channels); });
    offset += frames * frameBytes;
    progress.done += int32_t(frames * frameBytes);
    progress.Pump();
  }
  const bool any = offset > 0;
  Store(channels[0], any, stats.MinLeft, stats.MaxLeft, stats.SatLeft, stats.SumSqLeft);
  Store(channels[1], any && setup.channels == 2, stats.MinRight, stats.MaxRight, stats.SatRight,
        stats.SumSqRight);
  ScanResult result;
  result.cancelled = !fileEnded && offset < whole;
  result.endsEarly = fileEnded;
  result.scannedBytes = offset;
  // A partial frame at the end of the data is no sample: the scan is complete without it.
  if (!result.cancelled && !result.endsEarly) progress.done = progress.total;
  return result;
}

ScanFigures FiguresOf(const ScanSetup& setup, const WavStats& stats, int64_t progress) {
  ScanFigures f;
  const double limit = double(std::max<int64_t>(setup.dataSize, 1));
  f.progressGauge = int32_t(double(std::min<int64_t>(progress, setup.dataSize)) / limit * 100);
  f.frames = std::max(setup.framesPerByte * double(progress), 1.0);
  f.left = Figures(setup, stats.MinLeft, stats.MaxLeft, stats.SatLeft, stats.SumSqLeft, f.frames);
  if (setup.channels == 2)
    f.right = Figures(setup, stats.MinRight, stats.MaxRight, stats.SatRight, stats.SumSqRight, f.frames);
  return f;
}

}  // namespace tonemill
