// The DFT library on arbitrary files. The first byte chooses the direction: even, the rest is
// read as a DFT file; odd, as a WAV file, and every WAV file taken must come back byte for
// byte. A failed conversion leaves no target; neither direction gives the other's codes. The
// work is bounded: 64 KiB of input and at most 2^20 frames declared by a DFT header.
#include "harness.h"
#include "dft/container.h"
#include "dft/convert.h"
#include "dft/results.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace {

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1 << 16)) return 0;
  const bool toWav = data[0] % 2 == 0;
  ++data;
  --size;
  if (toWav && size >= dft::kHeaderSize && dft::DecodeHeader(data).frames > (1u << 20)) return 0;
  const std::string input = fuzz::ScratchFile("input", data, size);
  const std::string output = fuzz::ScratchDirectory() + "output";
  ::unlink(output.c_str());
  const int32_t result = toWav ? dft::DftFileToWav(input.c_str(), output.c_str())
                               : dft::WavFileToDft(input.c_str(), output.c_str());
  if (result != dft::kOk && Exists(output)) fuzz::Fail("a failed conversion left its target");
  if (toWav) {
    if (result == dft::kNotWav || result == dft::kUnsupportedFormat) fuzz::Fail("a WAV code from DFT to WAV");
    return 0;
  }
  if (result == dft::kNotDft) fuzz::Fail("the DFT code from WAV to DFT");
  if (result != dft::kOk) return 0;
  const std::string back = fuzz::ScratchDirectory() + "back";
  if (dft::DftFileToWav(output.c_str(), back.c_str()) != dft::kOk) fuzz::Fail("our DFT file does not decode");
  const std::vector<uint8_t> again = Read(back);
  if (again.size() != size || (size && std::memcmp(again.data(), data, size) != 0))
    fuzz::Fail("the round trip changed the file");
  return 0;
}
