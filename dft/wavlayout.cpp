#include "wavlayout.h"

#include "results.h"

#include <cstring>

namespace dft {
namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A file shorter than the RIFF header is cut short when what it has is the start of one.
bool StartsLikeRiff(const uint8_t* bytes, size_t count) {
  static const char kHead[] = "RIFF\0\0\0\0WAVE";
  if (count == 0) return false;
  for (size_t i = 0; i < count; ++i)
    if ((i < 4 || i >= 8) && bytes[i] != uint8_t(kHead[i])) return false;
  return true;
}

}  // namespace

int32_t ReadWavLayout(const Source& file, WavLayout& layout) {
  uint8_t head[36];
  const size_t got = file.ReadAt(0, head, sizeof head);
  if (got < 12) return StartsLikeRiff(head, got) ? kPrematureEnd : kNotWav;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return kNotWav;
  if (got < 20) return kPrematureEnd;
  // The program's readers take the format chunk only as the first one.
  if (std::memcmp(head + 12, "fmt ", 4) != 0) return kUnsupportedFormat;
  const uint32_t formatSize = Le32(head + 16);
  if (formatSize < 16) return kUnsupportedFormat;
  if (got < 36) return kPrematureEnd;
  if (Le16(head + 20) != 1) return kUnsupportedFormat;  // only plain PCM
  layout.channels = Le16(head + 22);
  if (layout.channels != 1 && layout.channels != 2) return kUndefinedChannels;
  layout.bits = Le16(head + 34);
  if (layout.bits != 8 && layout.bits != 16) return kUnsupportedWordSize;
  layout.rate = Le32(head + 24);

  uint64_t position = 20 + uint64_t(formatSize) + formatSize % 2;
  for (;;) {
    uint8_t chunk[8];
    if (file.ReadAt(position, chunk, sizeof chunk) < sizeof chunk) return kPrematureEnd;
    const uint32_t size = Le32(chunk + 4);
    position += 8;
    if (std::memcmp(chunk, "data", 4) == 0) {
      if (position + size > file.Size()) return kPrematureEnd;
      layout.dataOffset = position;
      layout.frames = size / layout.FrameBytes();
      return kOk;
    }
    position += uint64_t(size) + size % 2;
  }
}

}  // namespace dft
