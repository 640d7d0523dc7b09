// TWAVheader: the program's reading of a WAV file's header, and the input acceptance check that
// every operation taking a WAV file runs on it.
#pragma once

#include <cstdint>
#include <string>

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

}  // namespace tonemill
