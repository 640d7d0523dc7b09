// WAV files byte by byte, in the layouts the DFT library must keep exactly: longer format
// chunks, chunks before and after the data, pad bytes, partial frames, foreign formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dft_test {

using Bytes = std::vector<uint8_t>;

struct WavSpec {
  uint16_t tag = 1;  // 1 = PCM
  uint16_t channels = 1;
  uint16_t bits = 16;
  uint32_t rate = 22050;
  uint32_t formatSize = 16;  // 18 adds the extension size field
  std::string firstChunk = "fmt ";
  Bytes before;    // whole chunks between the format chunk and the data
  Bytes data;      // the data chunk's content; a pad byte follows when its size is odd
  Bytes after;     // whatever follows the data chunk
};

Bytes WavBytes(const WavSpec& spec);
// A chunk with its header and pad byte.
Bytes Chunk(const std::string& id, const Bytes& content);
// `count` bytes of a sawtooth with noise that reaches both ends of the range.
Bytes SampleBytes(size_t count, uint32_t seed);

}  // namespace dft_test
