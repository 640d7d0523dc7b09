#include "container.h"

#include <cstring>

namespace dft {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

const std::array<uint8_t, 8> kMagic{'T', 'M', 'D', 'F', 'T', '\r', '\n', 0x1A};

std::array<uint8_t, kHeaderSize> EncodeHeader(const Header& h) {
  std::array<uint8_t, kHeaderSize> b{};
  std::memcpy(b.data(), kMagic.data(), kMagic.size());
  Put16(&b[8], h.version);
  Put16(&b[10], h.channels);
  Put16(&b[12], h.bits);
  Put16(&b[14], h.reserved);
  Put32(&b[16], h.rate);
  Put32(&b[20], h.frames);
  Put32(&b[24], h.prefixLength);
  Put32(&b[28], h.suffixLength);
  Put32(&b[32], h.streamLength);
  Put32(&b[36], h.crc);
  return b;
}

Header DecodeHeader(const uint8_t* b) {
  Header h;
  h.version = Get16(b + 8);
  h.channels = Get16(b + 10);
  h.bits = Get16(b + 12);
  h.reserved = Get16(b + 14);
  h.rate = Get32(b + 16);
  h.frames = Get32(b + 20);
  h.prefixLength = Get32(b + 24);
  h.suffixLength = Get32(b + 28);
  h.streamLength = Get32(b + 32);
  h.crc = Get32(b + 36);
  return h;
}

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t HeaderCrc(const Header& header, const uint8_t* prefix, const uint8_t* suffix) {
  const std::array<uint8_t, kHeaderSize> bytes = EncodeHeader(header);
  uint32_t crc = Crc32(0, bytes.data(), 36);
  crc = Crc32(crc, prefix, header.prefixLength);
  return Crc32(crc, suffix, header.suffixLength);
}

}  // namespace dft
