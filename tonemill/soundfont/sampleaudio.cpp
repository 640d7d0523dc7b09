#include "sampleaudio.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tonemill::soundfont {
namespace {

// Loops never grow beyond this many input frames by repetition.
constexpr uint64_t kMaxRepeatedLoop = 1u << 20;
// Relative length error that makes a quarter cent.
const double kQuarterCent = std::exp2(0.25 / 1200.0) - 1.0;

class Frames {
 public:
  Frames(const Bank& bank, const SampleSource& s) : bank_(bank), source_(s) {
    starts_[0] = bank.samples[size_t(s.left)].start + s.first;
    starts_[1] = s.right >= 0 ? bank.samples[size_t(s.right)].start + s.first : starts_[0];
  }
  int Channels() const { return source_.right >= 0 ? 2 : 1; }
  // Frame i of the window; past the loop the loop repeats.
  int16_t At(uint64_t i, int channel) const {
    if (source_.looped && i >= uint64_t(source_.loopFirst) + source_.loopLength)
      i = source_.loopFirst + (i - source_.loopFirst) % source_.loopLength;
    return bank_.Point(size_t(starts_[channel] + i));
  }
  std::vector<int16_t> Copy(uint64_t frames) const {
    std::vector<int16_t> out;
    out.reserve(size_t(frames) * size_t(Channels()));
    for (uint64_t i = 0; i < frames; ++i)
      for (int c = 0; c < Channels(); ++c) out.push_back(At(i, c));
    return out;
  }

 private:
  const Bank& bank_;
  const SampleSource& source_;
  uint64_t starts_[2] = {0, 0};
};

// Converts the first `inFrames` frames by `ratio` (output frames per input frame) with the
// band-limited converter, and returns `outFrames` frames of the result.
std::vector<int16_t> Convert(const Frames& in, uint64_t inFrames, double ratio, uint64_t outFrames) {
  const int channels = in.Channels();
  std::vector<float> input(size_t(inFrames) * size_t(channels));
  for (uint64_t i = 0; i < inFrames; ++i)
    for (int c = 0; c < channels; ++c) input[size_t(i) * size_t(channels) + size_t(c)] = float(in.At(i, c) / 32768.0);
  const uint64_t capacity = uint64_t(std::ceil(double(inFrames) * ratio)) + 64;
  std::vector<float> output(size_t(capacity) * size_t(channels));
  SRC_DATA job{};
  job.data_in = input.data();
  job.data_out = output.data();
  job.input_frames = long(inFrames);
  job.output_frames = long(capacity);
  job.src_ratio = ratio;
  job.end_of_input = 1;
  if (int error = src_simple(&job, SRC_SINC_MEDIUM_QUALITY, channels); error != 0)
    throw std::runtime_error(std::string("sample rate conversion failed: ") + src_strerror(error));
  std::vector<int16_t> out(size_t(outFrames) * size_t(channels), 0);
  const size_t produced = std::min(out.size(), size_t(job.output_frames_gen) * size_t(channels));
  for (size_t i = 0; i < produced; ++i)
    out[i] = int16_t(std::lround(std::clamp(double(output[i]) * 32768.0, -32768.0, 32767.0)));
  return out;
}

}  // namespace

uint32_t LoopRepeats(uint32_t loopLength, double ratio) {
  const double outLength = loopLength * ratio;
  const uint32_t first = std::max<uint32_t>(1, uint32_t(std::ceil(kMinLoopFrames / outLength)));
  uint32_t best = first;
  double bestError = 1.0;
  for (uint32_t k = first; uint64_t(k) * loopLength <= kMaxRepeatedLoop && k < first + 4096; ++k) {
    const double x = k * outLength;
    const double error = std::abs(x - std::round(x)) / x;
    if (error < kQuarterCent) return k;
    if (error < bestError) {
      bestError = error;
      best = k;
    }
  }
  return best;
}

SampleLayout LayoutOf(const SampleSource& s) {
  SampleLayout l;
  l.convert = s.outRate != s.sourceRate || s.cents != 0;
  l.ratio = l.convert ? double(s.outRate) / (double(s.sourceRate) * std::exp2(s.cents / 1200.0)) : 1.0;
  if (!s.looped) {
    l.frames = l.convert ? std::max<uint64_t>(1, uint64_t(std::llround(s.length * l.ratio))) : s.length;
    return l;
  }
  l.repeatedLoop = uint64_t(LoopRepeats(s.loopLength, l.ratio)) * s.loopLength;
  if (!l.convert) {
    l.loopStart = s.loopFirst;
    l.loopLength = l.repeatedLoop;
  } else {
    // The ratio is nudged (by at most a quarter cent) so that the repeated loop becomes a
    // whole number of frames; the converted loop then repeats seamlessly once the converter's
    // window has left the frames before it, so the loop is moved on by whole loops until it has.
    l.loopLength = std::max<uint64_t>(1, uint64_t(std::llround(double(l.repeatedLoop) * l.ratio)));
    l.ratio = double(l.loopLength) / double(l.repeatedLoop);
    l.margin = uint64_t(std::ceil(160.0 * std::max(1.0, l.ratio)));
    const uint64_t naturalStart = uint64_t(std::llround(s.loopFirst * l.ratio));
    l.loopStart = naturalStart + (l.margin + l.loopLength - 1) / l.loopLength * l.loopLength;
  }
  l.frames = l.loopStart + l.loopLength;
  return l;
}

double UnrolledSeconds(const SampleSource& s) {
  const SampleLayout l = LayoutOf(s);
  return double(l.frames + l.loopLength) / double(s.outRate);
}

SampleAudio MakeSampleAudio(const Bank& bank, const SampleSource& s) {
  const Frames frames(bank, s);
  const SampleLayout l = LayoutOf(s);
  SampleAudio out;
  out.rate = s.outRate;
  out.channels = frames.Channels();
  if (!l.convert) {
    out.samples = frames.Copy(l.frames);
  } else {
    const uint64_t input = s.looped ? uint64_t(std::ceil(double(l.frames + l.margin) / l.ratio)) + 64 : s.length;
    out.samples = Convert(frames, input, l.ratio, l.frames);
  }
  if (s.looped) {
    out.loopStart = int32_t(l.loopStart);
    out.loopEnd = int32_t(l.frames - 1);
  }
  return out;
}

}  // namespace tonemill::soundfont
