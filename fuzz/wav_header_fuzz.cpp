// The program's WAV header reading and its input acceptance check.
#include "harness.h"
#include "tonemill/files/wavheader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const std::string path = fuzz::ScratchFile("input.wav", data, size);
  const tonemill::TWAVheader header(path);
  const std::string problem = tonemill::WavInputProblem(header, path);
  if (header.Valid) {
    if (header.Channels != 1 && header.Channels != 2) fuzz::Fail("channels");
    if (header.DataStart < 0 || size_t(header.DataStart) > size + 8) fuzz::Fail("data start");
  }
  return 0;
}
