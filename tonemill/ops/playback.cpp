#include "playback.h"

#include "songchecks.h"
#include "songjob.h"
#include "songpipeline.h"
#include "tonemill/files/paths.h"
#include "tonemill/files/soundfile.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/files/wavwriter.h"
#include "tonemill/wave/samples.h"
#include "tonemill/wave/wavblocks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>
#include <vector>

namespace tonemill::ops {

SongFormat PlaybackFormat() {
  SongFormat format;
  format.rate = 22050;
  format.bits = 16;
  format.channels = 2;
  format.volume = Real48::FromDouble(1.0);
  return format;
}

namespace {

// Play shows nothing between the steps; its render runs with the caller's progress and pump.
class PlaybackFront : public SongJobFront {
 public:
  PlaybackFront(SongProgress& progress, platform::PumpFunction pump, void* context)
      : progress_(progress), pump_(pump), context_(context) {}
  JobOutcome Render(const RenderRequest&, const RenderStep& step) override {
    return step(progress_, pump_, context_, nullptr);
  }

 private:
  SongProgress& progress_;
  platform::PumpFunction pump_;
  void* context_;
};


// A float WAV file narrowed to 16 bits through the engines' own decoding: read as integers, the
// decoder would give its samples unscaled (silence).
std::optional<Problem> NarrowFloats(const std::string& source, const std::string& target) {
  try {
    WavInputData in(source);
    const AudioFormat format{in.Format().rate, 16, in.Format().channels};
    WavOutputData out(target, format);
    const int shift = BitsOf(in.Layout()) - 16;
    constexpr int64_t kFrames = 16384;
    std::vector<uint8_t> bytes(size_t(kFrames * in.FrameBytes()));
    std::vector<uint8_t> narrow(size_t(kFrames * (2 * format.channels)));
    const auto put = [](int32_t v, int shift, uint8_t* p) {
      const int64_t n = shift > 0 ? (int64_t(v) + (int64_t(1) << (shift - 1))) >> shift : int64_t(v) << -shift;
      samples::EncodeOne<Mono16>(int32_t(std::min<int64_t>(n, 32767)), p);
    };
    for (int64_t offset = 0; offset < in.WholeFrameBytes();) {
      const size_t got = in.Read(bytes.data(), size_t(std::min<int64_t>(int64_t(bytes.size()), in.WholeFrameBytes() - offset)), offset);
      const int64_t frames = int64_t(got) / in.FrameBytes();
      if (frames == 0) break;
      WithLayout(in.Layout(), [&]<SampleLayout L>() {
        for (int64_t f = 0; f < frames; ++f) {
          const FrameValues v = DecodeFrame<L>(&bytes[size_t(f * in.FrameBytes())]);
          uint8_t* p = &narrow[size_t(f * (2 * format.channels))];
          put(v.left, shift, p);
          if (format.channels == 2) put(v.right, shift, p + 2);
        }
      });
      out.Append(narrow.data(), size_t(frames * (2 * format.channels)));
      offset += frames * in.FrameBytes();
    }
    out.Finish();
  } catch (const EInOutError& e) {
    return Problem(e.what(), source);
  }
  return std::nullopt;
}

}  // namespace

PlaybackEnd RenderForPlaying(const PlaybackRender& job, SongProgress& progress,
                             platform::PumpFunction pump, void* pumpContext, std::string& wav,
                             Problem& problem) {
  const std::string base = WithBackslash(job.scratchDirectory) + "play";
  wav = base + ".wav";
  SongJob song;
  song.paths = {job.mid, base + ".lst", wav};
  song.prgDirectory = job.prgDirectory;
  song.wavDirectory = job.wavDirectory;
  song.dftDirectory = job.dftDirectory;
  song.drums = {{-1, 10}};
  song.format = PlaybackFormat();
  song.keepList = ListKeeping::Never;
  song.listOverwrite = Overwrite::Replace;
  song.songOverwrite = Overwrite::Replace;
  PlaybackFront front(progress, pump, pumpContext);
  const SongJobOutcome outcome = song.Run(front);
  if (outcome.end == SongJobOutcome::End::Done) return PlaybackEnd::Ready;
  if (outcome.end == SongJobOutcome::End::Cancelled) return PlaybackEnd::Cancelled;
  problem = outcome.step == SongJobOutcome::Step::Render ? outcome.render.problem
                                                         : outcome.problem.value_or(Problem());
  return PlaybackEnd::Failed;
}

double PreviewGain(const std::string& wav) {
  const TWAVheader header(wav);
  if (!header.Valid || (header.BitsPerSample != 8 && header.BitsPerSample != 16)) return 1.0;
  std::ifstream in(wav, std::ios::binary);
  in.seekg(std::streamoff(header.DataStart));
  const bool eight = header.BitsPerSample == 8;
  int peak = 0;
  std::vector<char> block(1 << 16);
  int64_t left = header.DataSize;
  while (left > 0 && in) {
    in.read(block.data(), std::streamsize(std::min<int64_t>(left, int64_t(block.size()))));
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    left -= got;
    if (eight) {
      for (std::streamsize k = 0; k < got; ++k) peak = std::max(peak, std::abs(int(uint8_t(block[size_t(k)])) - 128) * 256);
    } else {
      for (std::streamsize k = 0; k + 1 < got; k += 2) {
        const int16_t v = int16_t(uint16_t(uint8_t(block[size_t(k)])) | uint16_t(uint8_t(block[size_t(k) + 1])) << 8);
        peak = std::max(peak, std::abs(int(v)));
      }
    }
  }
  if (peak == 0) return 1.0;
  const double target = 32768.0 * std::pow(10.0, -1.0 / 20);
  return std::clamp(target / peak, 1.0, 100.0);
}

double GainDecibels(double gain) { return 20 * std::log10(gain); }

std::string PreviewGainText(double gain) {
  char text[48];
  std::snprintf(text, sizeof text, "Preview gain: %+.1f dB", GainDecibels(gain));
  return text;
}

bool NeedsDecoding(const std::string& file) {
  const std::optional<Container> container = ContainerOfName(file);
  const size_t dot = FileNamePart(file).rfind('.');
  if (!container || dot == std::string::npos) return false;
  if (*container != Container::Wav) return true;
  // A WAV file the player reads plays as it is; one it refuses is decoded only when the decoder
  // takes it (otherwise the player's own reason is the answer).
  if (const TWAVheader header(file); header.Valid && (header.BitsPerSample == 8 || header.BitsPerSample == 16))
    return false;
  std::string error;
  return SoundFile::OpenRead(file, error).IsOpen();
}

std::optional<Problem> DecodeForPlaying(const std::string& source, const std::string& target) {
  if (const std::optional<WaveEncoding> e = EngineEncoding(TWAVheader(source)); e && e->isFloat)
    return NarrowFloats(source, target);
  std::string error;
  SoundFile in = SoundFile::OpenRead(source, error);
  if (!in.IsOpen()) return Problem(source + ": " + error, source);
  AudioFormat format = in.Format();
  if (format.channels < 1 || format.channels > 2)
    return Problem(source + ": " + std::to_string(format.channels) + " channels; the player plays one or two", source);
  format.bits = 16;
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  std::vector<uint8_t> header = CanonicalWavFile(format, {});
  out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
  constexpr size_t kFrames = 16384;
  std::vector<int32_t> samples(kFrames * size_t(format.channels));
  std::vector<int32_t> narrow(samples.size());
  uint64_t bytes = 0;
  for (size_t got; (got = in.Read(samples.data(), kFrames)) > 0;) {
    const size_t count = got * size_t(format.channels);
    for (size_t k = 0; k < count; ++k)
      narrow[k] = int32_t(std::min<int64_t>((int64_t(samples[k]) + 0x8000) >> 16, 32767));
    const std::vector<uint8_t> data = EncodePcm(format, std::span<const int32_t>(narrow.data(), count));
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    bytes += data.size();
  }
  if (bytes > 0xFFFFFFFFull - 36) return Problem(source + ": too long to play", source);
  // The sizes, now that they are known.
  header = CanonicalWavFile(format, {});
  const uint32_t riff = uint32_t(36 + bytes), data = uint32_t(bytes);
  for (int b = 0; b < 4; ++b) {
    header[size_t(4 + b)] = uint8_t(riff >> (8 * b));
    header[size_t(40 + b)] = uint8_t(data >> (8 * b));
  }
  out.seekp(0);
  out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
  out.close();
  if (!out) return Problem("Can't write " + target, target);
  return std::nullopt;
}

}  // namespace tonemill::ops
