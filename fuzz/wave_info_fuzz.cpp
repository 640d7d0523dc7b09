// The library's WAV header probe and header writers on arbitrary files.
#include "harness.h"
#include "resona/wavefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const std::string path = fuzz::ScratchFile("input.wav", data, size);
  const resona::WaveInfo info = resona::ReadWaveInfo(path.c_str());
  if (info.valid) {
    if (info.channels != 1 && info.channels != 2) fuzz::Fail("channels");
    if (info.bitsPerSample < 8) fuzz::Fail("bits per sample");
    if (info.dataOffset < 44 || size_t(info.dataOffset) > size + 8) fuzz::Fail("data offset");
  }
  resona::PadWaveFile(path.c_str(), info.bitsPerSample);
  resona::WriteWaveHeader(path.c_str(), info.bitsPerSample, info.sampleRate, info.channels);
  return 0;
}
