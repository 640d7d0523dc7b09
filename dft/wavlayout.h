// Where a WAV file keeps its samples. The library decides here, before the codec sees any
// data, whether a file is one it converts: a RIFF/WAVE file whose first chunk is a PCM format
// chunk of 1 or 2 channels and 8 or 16 bits, with a data chunk that lies within the file. Every
// other byte of the file is kept as it is, so the layout only has to say where the whole
// sample frames are.
#pragma once

#include "files.h"

#include <cstdint>

namespace dft {

struct WavLayout {
  uint16_t channels = 0;
  uint16_t bits = 0;
  uint32_t rate = 0;
  uint64_t dataOffset = 0;  // the first sample byte
  uint32_t frames = 0;      // whole frames in the data chunk
  uint32_t FrameBytes() const { return uint32_t(channels) * (bits / 8u); }
  uint64_t DataEnd() const { return dataOffset + uint64_t(frames) * FrameBytes(); }
};

// 0 with `layout` filled, or kNotWav, kUnsupportedFormat, kUndefinedChannels,
// kUnsupportedWordSize or kPrematureEnd.
int32_t ReadWavLayout(const Source& file, WavLayout& layout);

}  // namespace dft
