#include "wavefile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace resona {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

bool FileSize(const char* path, long long& size) {
  struct stat st {};
  if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = st.st_size;
  return true;
}

void PutLe16(unsigned char* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Reads chunk headers from the file's position on, skipping every chunk (padded to even
// sizes) up to the data chunk, whose size it gives; false when the file ends first.
bool SkipToData(std::FILE* file, uint32_t& size) {
  for (;;) {
    unsigned char chunk[8];
    if (std::fread(chunk, 1, sizeof chunk, file) < sizeof chunk) return false;
    size = Le32(chunk + 4);
    if (std::memcmp(chunk, "data", 4) == 0) return true;
    if (fseeko(file, off_t(size) + (size & 1), SEEK_CUR) != 0) return false;
  }
}

}  // namespace

WaveInfo ReadWaveInfo(const char* path) {
  WaveInfo info;
  File file(std::fopen(path, "rb"));
  if (!file) return info;
  info.opened = 1;

  unsigned char head[36];
  size_t got = std::fread(head, 1, sizeof head, file.get());
  info.headerRead = 1;
  if (got < sizeof head) return info;

  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0 ||
      std::memcmp(head + 12, "fmt ", 4) != 0 || Le16(head + 20) != 1)
    return info;
  info.isPcmWave = 1;

  uint16_t channels = Le16(head + 22);
  if (channels != 1 && channels != 2) return info;

  // Chunk sizes are unsigned: a size read as negative would seek backwards and could
  // walk the same chunks forever.
  uint32_t fmtSize = Le32(head + 16);
  if (fmtSize < 16) return info;
  if (fseeko(file.get(), off_t(fmtSize) + (fmtSize & 1) - 16, SEEK_CUR) != 0) return info;

  uint32_t size = 0;
  if (!SkipToData(file.get(), size)) return info;
  off_t offset = ftello(file.get());
  if (offset < 0 || offset > INT32_MAX) return info;

  info.dataFound = 1;
  info.dataOffset = int32_t(offset);
  info.dataSize = int32_t(size);
  info.channels = channels;
  info.sampleRate = int32_t(Le32(head + 24));
  info.bitsPerSample = Le16(head + 34);
  // Fewer than 8 bits per sample would make the frame size zero.
  if (info.bitsPerSample < 8) return info;
  info.frameCount = int32_t(size / uint32_t((info.bitsPerSample / 8) * channels));
  info.valid = 1;
  return info;
}

WaveFormat ReadWaveFormat(const char* path) {
  WaveFormat format;
  const WaveInfo info = ReadWaveInfo(path);
  if (info.valid && (info.bitsPerSample == 8 || info.bitsPerSample == 16)) {
    format.valid = 1;
    format.tag = kWaveFormatPcm;
    format.bits = info.bitsPerSample;
    format.channels = info.channels;
    format.sampleRate = info.sampleRate;
    format.dataOffset = info.dataOffset;
    format.dataSize = uint32_t(info.dataSize);
    return format;
  }
  if (!info.opened) return format;

  File file(std::fopen(path, "rb"));
  if (!file) return format;
  unsigned char head[20];
  if (std::fread(head, 1, sizeof head, file.get()) < sizeof head) return format;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0 ||
      std::memcmp(head + 12, "fmt ", 4) != 0)
    return format;
  const uint32_t fmtSize = Le32(head + 16);
  if (fmtSize < 16) return format;
  // The format chunk up to the extensible form's subformat (40 bytes); the rest is skipped.
  unsigned char fmt[40] = {};
  const size_t want = std::min<size_t>(fmtSize, sizeof fmt);
  if (std::fread(fmt, 1, want, file.get()) < want) return format;
  if (fseeko(file.get(), off_t(fmtSize - want) + (fmtSize & 1), SEEK_CUR) != 0) return format;

  uint32_t tag = Le16(fmt);
  const uint32_t channels = Le16(fmt + 2), rate = Le32(fmt + 4), bits = Le16(fmt + 14);
  if (tag == uint32_t(kWaveFormatExtensible)) {
    // The subformat's GUID begins with the plain format tag.
    if (fmtSize < 40 || Le16(fmt + 16) < 22) return format;
    tag = Le16(fmt + 24);
  }
  const bool pcm = tag == uint32_t(kWaveFormatPcm) && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
  const bool real = tag == uint32_t(kWaveFormatFloat) && (bits == 32 || bits == 64);
  if (!pcm && !real) return format;
  if (channels != 1 && channels != 2) return format;
  if (rate < uint32_t(kWideMinRate) || rate > uint32_t(kWideMaxRate)) return format;

  uint32_t size = 0;
  if (!SkipToData(file.get(), size)) return format;
  const off_t offset = ftello(file.get());
  if (offset < 0 || offset > INT32_MAX) return format;
  format.valid = 1;
  format.tag = int32_t(tag);
  format.bits = int32_t(bits);
  format.channels = int32_t(channels);
  format.sampleRate = int32_t(rate);
  format.dataOffset = int32_t(offset);
  format.dataSize = size;
  return format;
}

namespace {

std::array<unsigned char, kWaveHeaderSize> Header(uint32_t tag, uint32_t bits, int32_t sampleRate,
                                                  int32_t channels, uint32_t dataSize) {
  uint32_t chans = channels == 1 ? 1 : 2;
  uint32_t blockAlign = chans * (bits / 8);

  std::array<unsigned char, kWaveHeaderSize> header;
  unsigned char* h = header.data();
  std::memcpy(h, "RIFF", 4);
  PutLe32(h + 4, dataSize + 36);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe32(h + 16, 16);
  PutLe16(h + 20, tag);
  PutLe16(h + 22, chans);
  PutLe32(h + 24, uint32_t(sampleRate));
  PutLe32(h + 28, uint32_t(sampleRate) * blockAlign);
  PutLe16(h + 32, blockAlign);
  PutLe16(h + 34, bits);
  std::memcpy(h + 36, "data", 4);
  PutLe32(h + 40, dataSize);
  return header;
}

void PutHeader(const char* path, const std::array<unsigned char, kWaveHeaderSize>& h) {
  File file(std::fopen(path, "r+b"));
  if (!file) return;
  std::fwrite(h.data(), 1, h.size(), file.get());
}

uint32_t DataSize(const char* path, bool& exists) {
  long long fileSize = 0;
  exists = FileSize(path, fileSize);
  return uint32_t(std::max<long long>(fileSize - kWaveHeaderSize, 0));
}

}  // namespace

std::array<unsigned char, kWaveHeaderSize> CanonicalHeader(int32_t bitsPerSample, int32_t sampleRate,
                                                          int32_t channels, uint32_t dataSize) {
  return Header(kWaveFormatPcm, bitsPerSample == 8 ? 8 : 16, sampleRate, channels, dataSize);
}

std::array<unsigned char, kWaveHeaderSize> SongHeader(int32_t bits, int32_t sampleRate,
                                                      int32_t channels, uint32_t dataSize) {
  if (bits == 24) return Header(kWaveFormatPcm, 24, sampleRate, channels, dataSize);
  if (bits == 32) return Header(kWaveFormatFloat, 32, sampleRate, channels, dataSize);
  return CanonicalHeader(bits, sampleRate, channels, dataSize);
}

std::array<unsigned char, kWaveHeaderSize> FormatHeader(int32_t tag, int32_t bits, int32_t sampleRate,
                                                        int32_t channels, uint32_t dataSize) {
  if (tag == kWaveFormatPcm && (bits == 8 || bits == 16))
    return CanonicalHeader(bits, sampleRate, channels, dataSize);
  return Header(uint32_t(tag), uint32_t(bits), sampleRate, channels, dataSize);
}

void WriteFormatHeader(const char* path, int32_t tag, int32_t bits, int32_t sampleRate,
                       int32_t channels) {
  bool exists = false;
  const uint32_t dataSize = DataSize(path, exists);
  if (exists) PutHeader(path, FormatHeader(tag, bits, sampleRate, channels, dataSize));
}

void WriteWaveHeader(const char* path, int32_t bitsPerSample, int32_t sampleRate, int32_t channels) {
  bool exists = false;
  const uint32_t dataSize = DataSize(path, exists);
  if (exists) PutHeader(path, CanonicalHeader(bitsPerSample, sampleRate, channels, dataSize));
}

void WriteSongHeader(const char* path, int32_t bits, int32_t sampleRate, int32_t channels) {
  bool exists = false;
  const uint32_t dataSize = DataSize(path, exists);
  if (exists) PutHeader(path, SongHeader(bits, sampleRate, channels, dataSize));
}

void PadWaveFile(const char* path, int32_t bitsPerSample) {
  long long fileSize = 0;
  if (!FileSize(path, fileSize) || fileSize % 2 == 0) return;
  File file(std::fopen(path, "ab"));
  if (!file) return;
  std::fputc(bitsPerSample == 8 ? 128 : 0, file.get());
}

}  // namespace resona
