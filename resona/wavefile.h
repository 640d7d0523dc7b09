// The WAV (RIFF/WAVE PCM) file routines of the library.
#pragma once

#include <array>
#include <cstdint>

namespace resona {

// What ReadWaveInfo found out about a file; callers test only `valid`.
struct WaveInfo {
  int32_t valid = 0;
  int32_t opened = 0;
  int32_t headerRead = 0;
  int32_t isPcmWave = 0;
  int32_t dataFound = 0;
  int32_t channels = 0;
  int32_t bitsPerSample = 0;
  int32_t dataOffset = 0;
  int32_t dataSize = 0;
  int32_t sampleRate = 0;
  int32_t frameCount = 0;
};

constexpr int kWaveHeaderSize = 44;

WaveInfo ReadWaveInfo(const char* path);
// (Re)writes the canonical 44-byte header, taking the data size from the file's size on disk.
void WriteWaveHeader(const char* path, int32_t bitsPerSample, int32_t sampleRate, int32_t channels);
// The canonical 44-byte header for a data chunk of `dataSize` bytes.
std::array<unsigned char, kWaveHeaderSize> CanonicalHeader(int32_t bitsPerSample, int32_t sampleRate,
                                                          int32_t channels, uint32_t dataSize);
// The header of a song of any output width: 8 and 16 bits as above, 24 as PCM, kFloatBits as
// 32-bit IEEE float (format tag 3). All of them are the canonical 44 bytes: the float form has
// no fact chunk, its frame count being the data size over the block align.
std::array<unsigned char, kWaveHeaderSize> SongHeader(int32_t bits, int32_t sampleRate,
                                                      int32_t channels, uint32_t dataSize);
void WriteSongHeader(const char* path, int32_t bits, int32_t sampleRate, int32_t channels);
constexpr int32_t kWaveFormatPcm = 1;
constexpr int32_t kWaveFormatFloat = 3;
constexpr int32_t kWaveFormatExtensible = 0xFFFE;

// The lowest and highest rates of the wider formats below.
constexpr int32_t kWideMinRate = 8000, kWideMaxRate = 192000;

// What ReadWaveFormat found: the file's sample format as well as where its data lies.
struct WaveFormat {
  int32_t valid = 0;
  int32_t tag = 0;  // kWaveFormatPcm or kWaveFormatFloat (an extensible file's subformat)
  int32_t bits = 0;
  int32_t channels = 0;
  int32_t sampleRate = 0;
  int32_t dataOffset = 0;
  uint32_t dataSize = 0;
  // 8- or 16-bit PCM in a plain format chunk: what ReadWaveInfo accepts too.
  bool Narrow() const { return tag == kWaveFormatPcm && (bits == 8 || bits == 16); }
};

// Everything ReadWaveInfo accepts with 8 or 16 bits, with its answers unchanged, and besides
// PCM of 24 and 32 bits, IEEE float of 32 and 64 bits and WAVE_FORMAT_EXTENSIBLE files of any
// of these widths, one or two channels, at kWideMinRate..kWideMaxRate.
WaveFormat ReadWaveFormat(const char* path);
// The canonical 44-byte header of any of those formats (an extensible input is written back
// with a plain format chunk of its subformat).
std::array<unsigned char, kWaveHeaderSize> FormatHeader(int32_t tag, int32_t bits, int32_t sampleRate,
                                                        int32_t channels, uint32_t dataSize);
void WriteFormatHeader(const char* path, int32_t tag, int32_t bits, int32_t sampleRate,
                       int32_t channels);

// Makes the file's size even by appending one silence byte.
void PadWaveFile(const char* path, int32_t bitsPerSample);

// Little-endian helpers shared by the readers.
inline uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace resona
