// The DFT file: a header of our own, the bytes of the WAV file that are not whole sample frames
// (everything before the first sample and everything after the last whole frame: chunks, the
// format chunk as it was, pad bytes), kept verbatim, and the samples as a FLAC stream.
//
//   offset size
//    0     8   magic "TMDFT\r\n\x1a"
//    8     2   version (1)
//   10     2   channels (1, 2)
//   12     2   bits per sample (8, 16)
//   14     2   0
//   16     4   sample rate as the WAV file states it
//   20     4   frame count
//   24     4   prefix length: WAV bytes before the first sample
//   28     4   suffix length: WAV bytes after the last whole frame
//   32     4   stream length
//   36     4   CRC-32 of bytes 0-35, the prefix and the suffix
//   40         prefix, suffix, stream
//
// Numbers are little-endian. The stream's own checksums cover the samples; the CRC covers the
// rest, so a damaged file is refused instead of giving a different WAV file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace dft {

constexpr size_t kHeaderSize = 40;
constexpr uint16_t kVersion = 1;
extern const std::array<uint8_t, 8> kMagic;

struct Header {
  uint16_t version = kVersion;
  uint16_t channels = 0;
  uint16_t bits = 0;
  uint16_t reserved = 0;
  uint32_t rate = 0;
  uint32_t frames = 0;
  uint32_t prefixLength = 0;
  uint32_t suffixLength = 0;
  uint32_t streamLength = 0;
  uint32_t crc = 0;

  uint64_t FileSize() const {
    return kHeaderSize + uint64_t(prefixLength) + suffixLength + streamLength;
  }
};

std::array<uint8_t, kHeaderSize> EncodeHeader(const Header& header);
// Reads the fields after the magic; the caller has checked the magic.
Header DecodeHeader(const uint8_t* bytes);

// CRC-32 (the reflected polynomial 0xEDB88320), continued from `crc` (0 to start).
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);
// The header's CRC: over its first 36 bytes, then the prefix and the suffix.
uint32_t HeaderCrc(const Header& header, const uint8_t* prefix, const uint8_t* suffix);

}  // namespace dft
