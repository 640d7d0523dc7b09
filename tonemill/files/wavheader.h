// TWAVheader: the program's reading of a WAV file's header, the input acceptance check that
// every operation taking a WAV file runs on it, and the canonical header the program writes.
#pragma once

#include "audioformat.h"
#include "framemap.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonemill {

class TWAVheader {
 public:
  // Reads the header; never throws for a bad file, the flags tell the outcome. Callers test
  // them in the order Found, Truncated, IsWave, FormatOk.
  explicit TWAVheader(const std::string& fileName);

  bool Valid = false;
  bool Found = false;
  bool Truncated = false;
  bool IsWave = false;
  bool FormatOk = false;
  // The format and data chunks were found in a PCM or IEEE float file of one or two channels,
  // whatever its rate and width; float files are not WAVE files to the flags above.
  bool Located = false;
  bool IsFloat = false;
  int32_t Channels = 0;
  int32_t SampleRate = 0;
  int32_t BitsPerSample = 0;
  int32_t DataStart = 0;
  int32_t DataSize = 0;
};

// The first failing message of the acceptance cascade ("Can't find WAV file " + name, ...),
// or an empty text when the file is acceptable.
std::string WavInputProblem(const TWAVheader& header, const std::string& name);

// The rates the WAV engines process.
inline constexpr int32_t kMinEngineRate = 8000, kMaxEngineRate = 192000;

// How the WAV engines see a file's samples: its format, and whether they are IEEE floats
// (32 or 64 bits) rather than integers (8, 16, 24 or 32 bits).
struct WaveEncoding {
  AudioFormat format;
  bool isFloat = false;
  // Beyond what the canonical header describes: 24 or 32 bits, or floats.
  bool IsWide() const { return isFloat || (format.bits != 8 && format.bits != 16); }
  int32_t SampleBytes() const { return format.bits / 8; }
  int32_t FrameBytes() const { return SampleBytes() * format.channels; }
  bool operator==(const WaveEncoding&) const = default;
};

// The encoding of a located file the engines can process (one or two channels, a positive rate,
// 8/16/24/32-bit PCM or 32/64-bit float, a data chunk under 2 GB); nothing otherwise. The
// editor's operations take the rates from kMinEngineRate to kMaxEngineRate of these.
std::optional<WaveEncoding> EngineEncoding(const TWAVheader& header);

// The canonical 44-byte header ("RIFF", "WAVE", a 16-byte PCM "fmt " chunk, "data") for
// `dataSize` bytes of samples; bits and channels as the format stores them.
std::vector<uint8_t> CanonicalWavHeader(const AudioFormat& format, uint32_t dataSize);
// The same header for any encoding the engines process: the format tag 3 for floats, the
// sizes from the real width. For 8 and 16 bits it is the canonical header.
std::vector<uint8_t> EngineWavHeader(const WaveEncoding& encoding, uint32_t dataSize);
// Appends to the WAV file `target` the chunks of the RIFF WAVE file `source` other than its
// format, data and size chunks ("fmt ", "data", "fact", "ds64") and its peaks ("PEAK"):
// LIST/INFO, cue, smpl, ..., in their order, and corrects the RIFF length. Their positions follow
// `frames`, where `target`'s frames are in `source`'s (FollowFrames); the names of the chunks
// left out for an unknown map go into `dropped`. Nothing when done (or `source` has none),
// otherwise why not.
std::optional<std::string> CopyOtherChunks(const std::string& source, const std::string& target,
                                           const FrameMap& frames = {},
                                           std::vector<std::string>* dropped = nullptr);

// The same, for callers that still pass the three numbers.
inline std::vector<uint8_t> CanonicalWavHeader(int32_t bits, int32_t channels, int32_t rate,
                                               uint32_t dataSize) {
  return CanonicalWavHeader(AudioFormat{rate, bits, channels}, dataSize);
}

}  // namespace tonemill
