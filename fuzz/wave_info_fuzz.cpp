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
  // The wider reader agrees with the narrow one on what the narrow one takes.
  const resona::WaveFormat format = resona::ReadWaveFormat(path.c_str());
  const bool narrow = info.valid && (info.bitsPerSample == 8 || info.bitsPerSample == 16);
  if (narrow && (!format.valid || !format.Narrow() || format.dataOffset != info.dataOffset))
    fuzz::Fail("wide reader on a narrow file");
  if (format.valid && !format.Narrow()) {
    if (format.channels != 1 && format.channels != 2) fuzz::Fail("wide channels");
    if (format.sampleRate < resona::kWideMinRate || format.sampleRate > resona::kWideMaxRate)
      fuzz::Fail("wide rate");
    if (format.bits % 8 != 0 || format.bits < 8 || format.bits > 64) fuzz::Fail("wide bits");
    if (format.dataOffset < 44 || size_t(format.dataOffset) > size + 8) fuzz::Fail("wide data offset");
  }
  resona::PadWaveFile(path.c_str(), info.bitsPerSample);
  resona::WriteWaveHeader(path.c_str(), info.bitsPerSample, info.sampleRate, info.channels);
  return 0;
}
