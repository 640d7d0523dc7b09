#include "wavmix.h"

#include "samples.h"
#include "wavblocks.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/wavheader.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tonemill {
namespace {

constexpr int64_t kWindowFrames = 16384;

// How a source meets the output: values are brought to 16-bit scale unless both are 8-bit.
struct Scales {
  bool sixteen;         // mixing at 16-bit scale
  int32_t sourceShift;  // an 8-bit source into 16-bit scale: × 256
  SampleLimits limits;
};

// The output's frames around the current position, read once, mixed into and written back.
class OutputWindow {
 public:
  OutputWindow(WavOutputData& output, const AudioFormat& format, const Scales& scales)
      : output_(output), frameBytes_(format.FrameBytes()), stereo_(format.channels == 2),
        eight_(format.bits == 8), scales_(scales),
        bytes_(size_t(kWindowFrames * frameBytes_)) {}

  // Adds the contributions to output frame `index` (frames come in increasing order), or
  // writes them beyond the output's end.
  void Emit(int64_t index, long double left, long double right) {
    if (index >= start_ + kWindowFrames) Load(index);
    const int64_t j = index - start_;
    uint8_t* p = bytes_.data() + j * frameBytes_;
    const bool existing = j < existingFrames_;
    Put(p, existing, left);
    if (stereo_) Put(p + (eight_ ? 1 : 2), existing, right);
    used_ = std::max(used_, j + 1);
  }

  // The same for contributions that are exact integers: the sum needs no rounding then, and
  // Trunc of the clipped sum is the clipped sum.
  void EmitExact(int64_t index, int64_t left, int64_t right) {
    if (index >= start_ + kWindowFrames) Load(index);
    const int64_t j = index - start_;
    uint8_t* p = bytes_.data() + j * frameBytes_;
    const bool existing = j < existingFrames_;
    PutExact(p, existing, left);
    if (stereo_) PutExact(p + (eight_ ? 1 : 2), existing, right);
    used_ = std::max(used_, j + 1);
  }

  // Writes the window back; true when the last frame emitted was the output's last (a source
  // that emitted nothing leaves the output at its start).
  bool Flush() {
    const bool atEnd = start_ >= 0 && used_ >= existingFrames_;
    if (used_ > 0) output_.WriteAt(bytes_.data(), size_t(used_ * frameBytes_), start_ * frameBytes_);
    used_ = 0;
    return atEnd;
  }

 private:
  void Load(int64_t index) {
    Flush();
    start_ = index;
    existingFrames_ = int64_t(output_.ReadAt(bytes_.data(), bytes_.size(), start_ * frameBytes_)) / frameBytes_;
  }

  // existing + contribution, clipped and truncated at the mixing scale; a 16-bit-scale value
  // goes into an 8-bit output as its high byte plus 128.
  void Put(uint8_t* p, bool existing, long double contribution) {
    long double sum = contribution;
    if (existing) {
      const int32_t old = eight_ ? (int32_t(p[0]) - 128) * (scales_.sixteen ? 256 : 1)
                                 : int16_t(uint16_t(p[0] | p[1] << 8));
      sum = old + contribution;
    }
    const int32_t v = TruncClipped(sum, scales_.limits);
    if (eight_) {
      p[0] = uint8_t((scales_.sixteen ? v >> 8 : v) + 128);
    } else {
      p[0] = uint8_t(v);
      p[1] = uint8_t(uint32_t(v) >> 8);
    }
  }

  void PutExact(uint8_t* p, bool existing, int64_t contribution) {
    int64_t sum = contribution;
    if (existing)
      sum += eight_ ? (int32_t(p[0]) - 128) * (scales_.sixteen ? 256 : 1) : int16_t(uint16_t(p[0] | p[1] << 8));
    const int32_t v = int32_t(std::clamp<int64_t>(sum, scales_.limits.low, scales_.limits.high));
    if (eight_) {
      p[0] = uint8_t((scales_.sixteen ? v >> 8 : v) + 128);
    } else {
      p[0] = uint8_t(v);
      p[1] = uint8_t(uint32_t(v) >> 8);
    }
  }

  WavOutputData& output_;
  int64_t frameBytes_;
  bool stereo_, eight_;
  Scales scales_;
  std::vector<uint8_t> bytes_;
  int64_t start_ = -kWindowFrames, existingFrames_ = 0, used_ = 0;
};

class SourceMix {
 public:
  SourceMix(WavInputData& input, const MixSource& source, const AudioFormat& out,
            WavOutputData& output)
      : input_(input), inStereo_(input.Format().channels == 2), outStereo_(out.channels == 2),
        scales_{input.Format().bits == 16 || out.bits == 16,
                input.Format().bits == 8 && out.bits == 16 ? 256 : 1,
                SampleLimits::For(input.Format().bits == 8 && out.bits == 8)},
        window_(output, out, scales_),
        // Times in units of 1 ÷ (output rate × source rate) seconds, so that every time is an
        // integer and the stepping is exact.
        periodOut_(input.Format().rate), periodSource_(out.rate), upsampling_(out.rate >= input.Format().rate) {
    gainLeft_ = source.left;
    gainRight_ = source.right;
    if (inStereo_ && !outStereo_) {
      gainLeft_ /= 2;
      gainRight_ /= 2;
    }
    outputTime_ = periodOut_;  // the first output frame's time
    // Whole factors of moderate size make every product of a whole sample exact.
    auto whole = [](double g) { return g == std::trunc(g) && std::fabs(g) <= 65536; };
    wholeGains_ = whole(gainLeft_) && whole(gainRight_);
    sameRate_ = periodOut_ == periodSource_;
  }

  // Mixes the source; returns true when the output is at its end afterwards.
  template <SampleLayout L>
  bool Run(Progress& progress) {
    constexpr int64_t frameBytes = kFrameBytes[L];
    const int64_t whole = input_.WholeFrameBytes();
    std::vector<uint8_t> block(size_t(kFramesPerPump * frameBytes));
    for (int64_t offset = 0; offset < whole && !CancelRequested(progress);) {
      const int64_t want = std::min<int64_t>(kFramesPerPump * frameBytes, whole - offset);
      const int64_t frames = int64_t(input_.Read(block.data(), size_t(want), offset)) / frameBytes;
      if (frames == 0) break;
      if (sameRate_ && wholeGains_) {
        // Each source frame is one output frame of its own value (the interpolation between
        // neighbours lands exactly on it), and its products are whole.
        const int64_t gl = int64_t(gainLeft_), gr = int64_t(gainRight_);
        for (int64_t i = 0; i < frames; ++i, ++count_) {
          const FrameValues v = DecodeFrame<L>(block.data() + i * frameBytes);
          const int64_t l = int64_t(v.left) * scales_.sourceShift, r = int64_t(v.right) * scales_.sourceShift;
          if (!inStereo_) window_.EmitExact(count_ - 1, l * gl, l * gr);
          else if (!outStereo_) window_.EmitExact(count_ - 1, l * gl + r * gr, 0);
          else window_.EmitExact(count_ - 1, l * gl, r * gr);
        }
        outputTime_ = count_ * periodOut_;
        previousTime_ = (count_ - 1) * periodSource_;
        if (frames > 0) {
          const FrameValues last = DecodeFrame<L>(block.data() + (frames - 1) * frameBytes);
          previousLeft_ = last.left * scales_.sourceShift;
          previousRight_ = last.right * scales_.sourceShift;
        }
      } else {
        for (int64_t i = 0; i < frames; ++i) {
          const FrameValues v = DecodeFrame<L>(block.data() + i * frameBytes);
          Step(v.left * scales_.sourceShift, v.right * scales_.sourceShift);
        }
      }
      offset += frames * frameBytes;
      progress.done += int32_t(frames * frameBytes);
      progress.Pump();
    }
    return window_.Flush();
  }

 private:
  void Step(int32_t left, int32_t right) {
    if (!upsampling_) {
      // A lower output rate: the source frame that reaches the output time is taken as it is.
      sourceTime_ += periodSource_;
      if (sourceTime_ >= outputTime_) EmitAt(left, right, left, right, 0);
      return;
    }
    // The same or a higher output rate: output frames up to this source frame's time (at
    // least one) interpolate linearly from the previous source frame.
    const int64_t t1 = previousTime_ + periodSource_;
    do {
      EmitAt(previousLeft_, previousRight_, left, right, outputTime_ - previousTime_);
    } while (outputTime_ < t1);
    previousTime_ = t1;
    previousLeft_ = left;
    previousRight_ = right;
  }

  // The frame xp + d × (x − xp) ÷ T_src per channel, with the factors, at the next output frame.
  void EmitAt(int32_t fromLeft, int32_t fromRight, int32_t left, int32_t right, int64_t d) {
    const long double l = Interpolate(fromLeft, left, d), r = Interpolate(fromRight, right, d);
    if (!inStereo_) {
      window_.Emit(count_ - 1, l * gainLeft_, l * gainRight_);
    } else if (!outStereo_) {
      window_.Emit(count_ - 1, l * gainLeft_ + r * gainRight_, 0);
    } else {
      window_.Emit(count_ - 1, l * gainLeft_, r * gainRight_);
    }
    ++count_;
    outputTime_ = count_ * periodOut_;
  }

  long double Interpolate(int32_t from, int32_t to, int64_t d) const {
    if (d == periodSource_ || from == to) return to;
    return from + (long double)(d * (int64_t(to) - from)) / periodSource_;
  }

  WavInputData& input_;
  bool inStereo_, outStereo_;
  Scales scales_;
  OutputWindow window_;
  int64_t periodOut_, periodSource_;
  bool upsampling_;
  bool sameRate_ = false, wholeGains_ = false;
  double gainLeft_ = 1, gainRight_ = 1;
  int64_t count_ = 1;  // the output frame counter; frame count_ - 1 is emitted next
  int64_t outputTime_ = 0, sourceTime_ = 0, previousTime_ = 0;
  int32_t previousLeft_ = 0, previousRight_ = 0;
};

}  // namespace

std::optional<Problem> CheckMixSource(const std::string& path, const std::string& output) {
  const TWAVheader h(path);
  if (!h.Found) return Problem(WavInputProblem(h, path), path);
  if (auto clash = OutputIsInput(output, path, "Can't overwrite source file!")) return clash;
  const std::string message = WavInputProblem(h, path);
  if (!message.empty()) return Problem(message, path);
  return std::nullopt;
}

std::optional<Problem> CheckMixFactor(const std::string& text, bool left, double& value) {
  const std::optional<double> v = ParseReal(text);
  if (!v) return Problem(left ? "Illegal Left amplitude factor!" : "Illegal Right amplitude factor!");
  value = *v;
  return std::nullopt;
}

MixResult MixWavFiles(const std::vector<MixSource>& sources, const std::string& outputPath,
                      const AudioFormat& format, Progress& progress) {
  MixResult result;
  progress.total = 1;
  progress.done = 0;
  WavOutputData output(outputPath, format);
  for (const MixSource& source : sources) {
    if (CancelRequested(progress)) break;
    WavInputData input(source.path);
    progress.item = source.path;
    progress.total = ProgressTotal(input.DataSize(), source.path);
    progress.done = 0;
    SourceMix mix(input, source, format, output);
    bool atEnd = false;
    switch (input.Layout()) {
      case Mono8: atEnd = mix.Run<Mono8>(progress); break;
      case Mono16: atEnd = mix.Run<Mono16>(progress); break;
      case Stereo8: atEnd = mix.Run<Stereo8>(progress); break;
      case Stereo16: atEnd = mix.Run<Stereo16>(progress); break;
    }
    if (atEnd && output.Size() % 2 != 0) {
      const uint8_t pad = format.bits == 8 ? 128 : 0;
      output.Append(&pad, 1);
    }
    if (CancelRequested(progress)) break;
    if (input.EndsEarly()) {
      result.problem = Problem("Premature termination reading " + source.path + ".", source.path);
      break;
    }
  }
  result.cancelled = CancelRequested(progress);
  output.Finish();
  return result;
}

}  // namespace tonemill
