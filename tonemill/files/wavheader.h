// TWAVheader: the program's reading of a WAV file's header, the input acceptance check that
// every operation taking a WAV file runs on it, and the canonical header the program writes.
#pragma once

#include "audioformat.h"

#include <cstdint>
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
  int32_t Channels = 0;
  int32_t SampleRate = 0;
  int32_t BitsPerSample = 0;
  int32_t DataStart = 0;
  int32_t DataSize = 0;
};

// The first failing message of the acceptance cascade ("Can't find WAV file " + name, ...),
// or an empty text when the file is acceptable.
std::string WavInputProblem(const TWAVheader& header, const std::string& name);

// The canonical 44-byte header ("RIFF", "WAVE", a 16-byte PCM "fmt " chunk, "data") for
// `dataSize` bytes of samples; bits and channels as the format stores them.
std::vector<uint8_t> CanonicalWavHeader(const AudioFormat& format, uint32_t dataSize);
// The same, for callers that still pass the three numbers.
inline std::vector<uint8_t> CanonicalWavHeader(int32_t bits, int32_t channels, int32_t rate,
                                               uint32_t dataSize) {
  return CanonicalWavHeader(AudioFormat{rate, bits, channels}, dataSize);
}

}  // namespace tonemill
