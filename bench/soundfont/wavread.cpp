#include "wavread.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace bench {
namespace {

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

Signal ReadSignal(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4))
    throw std::runtime_error(path + ": not a WAV file");
  Signal s;
  int bits = 0;
  size_t pos = 12;
  while (pos + 8 <= b.size()) {
    const uint32_t size = Le32(b.data() + pos + 4);
    const uint8_t* body = b.data() + pos + 8;
    const size_t available = std::min<size_t>(size, b.size() - pos - 8);
    if (!std::memcmp(b.data() + pos, "fmt ", 4) && available >= 16) {
      if (Le16(body) != 1) throw std::runtime_error(path + ": not PCM");
      s.channels = Le16(body + 2);
      s.rate = int(Le32(body + 4));
      bits = Le16(body + 14);
    } else if (!std::memcmp(b.data() + pos, "data", 4)) {
      if (bits != 16 || s.channels < 1) throw std::runtime_error(path + ": not 16-bit PCM");
      const size_t frames = available / (2 * size_t(s.channels));
      s.mono.resize(frames);
      s.totalSamples = frames * size_t(s.channels);
      for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (int c = 0; c < s.channels; ++c) {
          const int16_t v = int16_t(Le16(body + 2 * (f * size_t(s.channels) + size_t(c))));
          if (v == 32767 || v == -32768) ++s.clipped;
          s.peak = std::max(s.peak, std::abs(v / 32768.0));
          sum += v / 32768.0;
        }
        s.mono[f] = sum / s.channels;
      }
      return s;
    }
    pos += 8 + size + (size & 1);
  }
  throw std::runtime_error(path + ": no data chunk");
}

}  // namespace bench
