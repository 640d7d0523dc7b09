#include "wavbytes.h"

#include "tests/support/testfiles.h"

namespace dft_test {

using testing_support::PutLe16;
using testing_support::PutLe32;

Bytes Chunk(const std::string& id, const Bytes& content) {
  Bytes b(id.begin(), id.end());
  PutLe32(b, uint32_t(content.size()));
  b.insert(b.end(), content.begin(), content.end());
  if (content.size() % 2) b.push_back(0);
  return b;
}

Bytes WavBytes(const WavSpec& s) {
  Bytes format;
  PutLe16(format, s.tag);
  PutLe16(format, s.channels);
  PutLe32(format, s.rate);
  const uint32_t block = s.channels * (s.bits / 8u);
  PutLe32(format, s.rate * block);
  PutLe16(format, block);
  PutLe16(format, s.bits);
  format.resize(s.formatSize, 0);
  Bytes body{'W', 'A', 'V', 'E'};
  const Bytes fmt = Chunk(s.firstChunk, format);
  body.insert(body.end(), fmt.begin(), fmt.end());
  body.insert(body.end(), s.before.begin(), s.before.end());
  const Bytes data = Chunk("data", s.data);
  body.insert(body.end(), data.begin(), data.end());
  body.insert(body.end(), s.after.begin(), s.after.end());
  Bytes b{'R', 'I', 'F', 'F'};
  PutLe32(b, uint32_t(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes SampleBytes(size_t count, uint32_t seed) {
  Bytes b(count);
  uint32_t x = seed;
  for (size_t i = 0; i < count; ++i) {
    x = x * 1664525u + 1013904223u;
    // A slow sawtooth (compressible) with some noise; every 97th byte an extreme.
    const int v = int((i / 2) % 256) + int(x >> 29) - 4;
    b[i] = i % 97 == 0 ? uint8_t(i % 2 ? 0xFF : 0x00) : uint8_t(v);
  }
  return b;
}

}  // namespace dft_test
