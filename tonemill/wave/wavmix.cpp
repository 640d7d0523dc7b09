#include "wavmix.h"

#include "samples.h"
#include "wavblocks.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/wavheader.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

namespace tonemill {
namespace {

constexpr int64_t kWindowFrames = 16384;

// How a source meets the output: values are brought to the wider of the two widths' scales
// (8-bit into 16 × 256, 16 into 24 × 256, ...), the scale of the sum, which goes into the
// output shifted down to its own width (a 16-bit-scale value into 8 bits as its high byte).
// Floats count as 32-bit integers.
struct Scales {
  int32_t mixBits;      // the width of the mixing scale
  int32_t sourceShift;  // a source's values times this reach the mixing scale
  SampleLimits limits;  // the mixing scale's
};

Scales ScalesFor(const WaveEncoding& in, const WaveEncoding& out) {
  const int32_t inBits = std::min(in.format.bits, 32), outBits = std::min(out.format.bits, 32);
  const int32_t mixBits = std::max(inBits, outBits);
  return {mixBits, int32_t(1) << (mixBits - inBits), SampleLimits::ForBits(mixBits)};
}

// One sample of the output, centred, and back; floats as the engines carry them.
int32_t ReadSample(const uint8_t* p, const WaveEncoding& e) {
  if (e.isFloat) return e.format.bits == 64 ? samples::DecodeOne<MonoDouble>(p) : samples::DecodeOne<MonoFloat>(p);
  switch (e.format.bits) {
    case 8: return samples::DecodeOne<Mono8>(p);
    case 24: return samples::DecodeOne<Mono24>(p);
    case 32: return samples::DecodeOne<Mono32>(p);
    default: return samples::DecodeOne<Mono16>(p);
  }
}

void WriteSample(int32_t v, uint8_t* p, const WaveEncoding& e) {
  if (e.isFloat) return e.format.bits == 64 ? samples::EncodeOne<MonoDouble>(v, p) : samples::EncodeOne<MonoFloat>(v, p);
  switch (e.format.bits) {
    case 8: return samples::EncodeOne<Mono8>(v, p);
    case 24: return samples::EncodeOne<Mono24>(v, p);
    case 32: return samples::EncodeOne<Mono32>(v, p);
    default: return samples::EncodeOne<Mono16>(v, p);
  }
}

// The output's frames around the current position, read once, mixed into and written back.
class OutputWindow {
 public:
  OutputWindow(WavOutputData& output, const WaveEncoding& encoding, const Scales& scales)
      : output_(output), encoding_(encoding), frameBytes_(encoding.FrameBytes()),
        sampleBytes_(encoding.SampleBytes()), stereo_(encoding.format.channels == 2),
        downShift_(scales.mixBits - std::min(encoding.format.bits, 32)), scales_(scales),
        bytes_(size_t(kWindowFrames * frameBytes_)) {}

  // Adds the contributions to output frame `index` (frames come in increasing order), or
  // writes them beyond the output's end.
  void Emit(int64_t index, long double left, long double right) {
    if (index >= start_ + kWindowFrames) Load(index);
    const int64_t j = index - start_;
    uint8_t* p = bytes_.data() + j * frameBytes_;
    const bool existing = j < existingFrames_;
    Put(p, existing, left);
    if (stereo_) Put(p + sampleBytes_, existing, right);
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
    if (stereo_) PutExact(p + sampleBytes_, existing, right);
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

  int64_t Existing(const uint8_t* p) const { return int64_t(ReadSample(p, encoding_)) * (int64_t(1) << downShift_); }

  // existing + contribution, clipped and truncated at the mixing scale.
  void Put(uint8_t* p, bool existing, long double contribution) {
    const long double sum = existing ? (long double)Existing(p) + contribution : contribution;
    WriteSample(TruncClipped(sum, scales_.limits) >> downShift_, p, encoding_);
  }

  void PutExact(uint8_t* p, bool existing, int64_t contribution) {
    const int64_t sum = contribution + (existing ? Existing(p) : 0);
    const int32_t v = int32_t(std::clamp<int64_t>(sum, scales_.limits.low, scales_.limits.high));
    WriteSample(v >> downShift_, p, encoding_);
  }

  WavOutputData& output_;
  WaveEncoding encoding_;
  int64_t frameBytes_, sampleBytes_;
  bool stereo_;
  int32_t downShift_;
  Scales scales_;
  std::vector<uint8_t> bytes_;
  int64_t start_ = -kWindowFrames, existingFrames_ = 0, used_ = 0;
};

class SourceMix {
 public:
  SourceMix(WavInputData& input, const MixSource& source, const WaveEncoding& out,
            WavOutputData& output, const MixOptions& options)
      : input_(input), inStereo_(input.Format().channels == 2), outStereo_(out.format.channels == 2),
        scales_(ScalesFor(input.Encoding(), out)), window_(output, out, scales_),
        // Times in units of 1 ÷ (output rate × source rate) seconds, so that every time is an
        // integer and the stepping is exact.
        periodOut_(input.Format().rate), periodSource_(out.format.rate),
        upsampling_(out.format.rate >= input.Format().rate) {
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
    if (options.resample && !sameRate_) {
      const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
      const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
      const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
      soxr_error_t error = nullptr;
      resampler_.reset(soxr_create(double(input.Format().rate), double(out.format.rate),
                                   inStereo_ ? 2 : 1, &error, &io, &quality, &runtime));
      if (!resampler_ || error) throw std::runtime_error(std::string("resampler: ") + (error ? error : "no memory"));
    }
  }

  // Mixes the source; returns true when the output is at its end afterwards.
  template <SampleLayout L>
  bool Run(Progress& progress) {
    if (resampler_) return RunResampled<L>(progress);
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
  // The band-limited path: blocks of source frames at the mixing scale go through the
  // converter, whose frames are mixed as they come; at the source's end its tail is drained.
  template <SampleLayout L>
  bool RunResampled(Progress& progress) {
    constexpr int64_t frameBytes = kFrameBytes[L];
    const size_t channels = inStereo_ ? 2 : 1;
    const int64_t whole = input_.WholeFrameBytes();
    std::vector<uint8_t> block(size_t(kFramesPerPump * frameBytes));
    std::vector<double> in(size_t(kFramesPerPump) * channels), out(size_t(kFramesPerPump) * channels);
    for (int64_t offset = 0; offset < whole && !CancelRequested(progress);) {
      const int64_t want = std::min<int64_t>(kFramesPerPump * frameBytes, whole - offset);
      const int64_t frames = int64_t(input_.Read(block.data(), size_t(want), offset)) / frameBytes;
      if (frames == 0) break;
      for (int64_t i = 0; i < frames; ++i) {
        const FrameValues v = DecodeFrame<L>(block.data() + i * frameBytes);
        in[size_t(i) * channels] = double(v.left) * scales_.sourceShift;
        if (inStereo_) in[size_t(i) * channels + 1] = double(v.right) * scales_.sourceShift;
      }
      for (size_t used = 0; used < size_t(frames);) {
        size_t took = 0, made = 0;
        Convert(in.data() + used * channels, size_t(frames) - used, &took, out, made);
        used += took;
      }
      offset += frames * frameBytes;
      progress.done += int32_t(frames * frameBytes);
      progress.Pump();
    }
    if (!CancelRequested(progress)) {
      for (size_t made = out.size();;) {
        Convert(nullptr, 0, nullptr, out, made);
        if (made == 0) break;
      }
    }
    return window_.Flush();
  }

  // One call of the converter (no input: the end of the source), its frames emitted.
  void Convert(const double* in, size_t frames, size_t* took, std::vector<double>& out, size_t& made) {
    const size_t channels = inStereo_ ? 2 : 1;
    made = 0;
    if (soxr_error_t error = soxr_process(resampler_.get(), in, frames, took, out.data(),
                                          out.size() / channels, &made))
      throw std::runtime_error(std::string("resampler: ") + error);
    for (size_t i = 0; i < made; ++i) {
      const long double l = out[i * channels], r = inStereo_ ? out[i * channels + 1] : l;
      EmitMixed(l, r);
    }
  }

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
    EmitMixed(Interpolate(fromLeft, left, d), Interpolate(fromRight, right, d));
  }

  // A source frame at the output's rate, with the factors, as the next output frame.
  void EmitMixed(long double l, long double r) {
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
  struct SoxrDelete {
    void operator()(soxr_t s) const { soxr_delete(s); }
  };
  std::unique_ptr<std::remove_pointer_t<soxr_t>, SoxrDelete> resampler_;
};

}  // namespace

std::optional<Problem> CheckMixSource(const std::string& path, const std::string& output) {
  const TWAVheader h(path);
  if (!h.Found) return Problem(WavInputProblem(h, path), path);
  if (auto clash = OutputIsInput(output, path, "Can't overwrite source file!")) return clash;
  // Any width and rate the engines process is converted.
  if (EngineEncoding(h) && h.SampleRate >= kMinEngineRate && h.SampleRate <= kMaxEngineRate)
    return std::nullopt;
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
  return MixWavFilesAs(sources, outputPath, WaveEncoding{format, false}, progress);
}

MixResult MixWavFilesAs(const std::vector<MixSource>& sources, const std::string& outputPath,
                        const WaveEncoding& encoding, Progress& progress,
                        const MixOptions& options) {
  const AudioFormat& format = encoding.format;
  MixResult result;
  progress.total = 1;
  progress.done = 0;
  WavOutputData output(outputPath, encoding);
  for (const MixSource& source : sources) {
    if (CancelRequested(progress)) break;
    WavInputData input(source.path);
    progress.item = source.path;
    progress.total = ProgressTotal(input.DataSize(), source.path);
    progress.done = 0;
    SourceMix mix(input, source, encoding, output, options);
    const bool atEnd = WithLayout(input.Layout(), [&]<SampleLayout L>() { return mix.Run<L>(progress); });
    if (atEnd && output.Size() % 2 != 0) {
      const uint8_t pad = format.bits == 8 && !encoding.isFloat ? 128 : 0;
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
