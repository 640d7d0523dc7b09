// AudioFormat: how PCM audio is laid out in a WAV file (sample rate, bits per sample, channels),
// with the sizes that follow from it.
#pragma once

#include <cstdint>

namespace tonemill {

struct AudioFormat {
  int32_t rate = 44100;  // frames per second
  int32_t bits = 16;     // per sample
  int32_t channels = 2;  // interleaved, left first

  // Like the renderer and the header writers, the sizes take any depth but 8 as 16 bits and any
  // channel count but 1 as stereo, so that they always describe what is written.
  int32_t BytesPerSample() const { return bits == 8 ? 1 : 2; }
  int32_t StoredBits() const { return bits == 8 ? 8 : 16; }
  int32_t StoredChannels() const { return channels == 1 ? 1 : 2; }
  // The block align of the format chunk.
  int32_t FrameBytes() const { return StoredChannels() * BytesPerSample(); }
  int64_t BytesPerSecond() const { return int64_t(rate) * FrameBytes(); }

  static bool IsSupportedRate(int32_t rate) { return rate == 11025 || rate == 22050 || rate == 44100; }
  static bool IsSupportedBits(int32_t bits) { return bits == 8 || bits == 16; }
  static bool IsSupportedChannels(int32_t channels) { return channels == 1 || channels == 2; }
  // What the renderer writes and every operation of the program accepts as input.
  bool IsSupported() const {
    return IsSupportedRate(rate) && IsSupportedBits(bits) && IsSupportedChannels(channels);
  }

  bool operator==(const AudioFormat&) const = default;
};

}  // namespace tonemill
