#include "wavheader.h"

#include "chunkpositions.h"
#include "fastfile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tonemill {
namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads up to `count` bytes, stopping early at the end of the file; returns how many were read.
size_t ReadUpTo(TFastFile& file, uint8_t* out, size_t count) {
  size_t n = 0;
  while (n < count && !file.AtEnd) out[n++] = file.ReadByte();
  return n;
}

}  // namespace

TWAVheader::TWAVheader(const std::string& fileName) {
  try {
    TFastFile file(fileName, true, false);
    if (!file.Opened()) return;
    Found = true;
    std::array<uint8_t, 36> h{};
    ReadUpTo(file, h.data(), h.size());
    if (file.AtEnd) {
      Truncated = true;
      return;
    }
    if (std::memcmp(h.data(), "RIFF", 4) != 0 || std::memcmp(h.data() + 8, "WAVE", 4) != 0 ||
        std::memcmp(h.data() + 12, "fmt ", 4) != 0)
      return;
    const uint32_t formatLength = Le32(h.data() + 16);
    // WAVE_FORMAT_EXTENSIBLE names its encoding in the sub-format's first two bytes.
    const bool extensible = h[20] == 0xFE && h[21] == 0xFF;
    uint32_t tag = uint32_t(h[20] | h[21] << 8);
    if (extensible && formatLength >= 40) {
      file.SeekTo(44);
      std::array<uint8_t, 2> sub{};
      if (ReadUpTo(file, sub.data(), sub.size()) == sub.size()) tag = uint32_t(sub[0] | sub[1] << 8);
    }
    if (tag != 1 && tag != 3) return;
    // IEEE float and extensible data are located as well, for the engines; the acceptance
    // check does not take them.
    IsFloat = tag == 3;
    IsWave = !IsFloat && !extensible;
    if (h[22] < 1 || h[22] > 2 || h[23] != 0) return;
    if (formatLength < 16) {
      Truncated = true;
      return;
    }
    // Lengths are unsigned, so that a huge one moves past the end instead of backwards.
    file.SeekTo(36 + int64_t(formatLength) + formatLength % 2 - 16);
    std::array<uint8_t, 8> chunk{};
    bool isData = false;
    size_t got = 0;
    do {
      chunk.fill(0);
      got = ReadUpTo(file, chunk.data(), chunk.size());
      isData = std::memcmp(chunk.data(), "data", 4) == 0;
      if (!isData) {
        const uint32_t length = Le32(chunk.data() + 4);
        file.SeekTo(file.Position + int64_t(length) + length % 2);
      }
    } while (!file.AtEnd && !isData);
    // An empty data chunk at the end of the file is a whole file of no frames, as a cut of
    // everything writes it.
    const bool emptyData = isData && got == chunk.size() && Le32(chunk.data() + 4) == 0;
    if (file.AtEnd && !emptyData) {
      Truncated = true;
      return;
    }
    Located = true;
    FormatOk = IsWave;
    DataStart = int32_t(file.Position);
    DataSize = int32_t(Le32(chunk.data() + 4));
    Channels = h[22];
    SampleRate = int32_t(Le32(h.data() + 24));
    BitsPerSample = h[34] | h[35] << 8;
    Valid = IsWave;
  } catch (const EInOutError&) {
    // A file that cannot be read counts as one that ended early.
    Truncated = true;
  }
}

std::string WavInputProblem(const TWAVheader& header, const std::string& name) {
  if (!header.Found) return "Can't find WAV file " + name;
  if (header.Truncated) return "Premature end of WAV file " + name;
  if (!header.IsWave) return "Not a WAV file: " + name;
  if (!header.FormatOk) return "Unsupported WAV format in " + name;
  if (!AudioFormat::IsSupportedChannels(header.Channels))
    return "Undefined channel assignment in: " + name;
  if (!AudioFormat::IsSupportedRate(header.SampleRate))
    return "Unsupported sampling rate (" + std::to_string(header.SampleRate) +
           " Hz) in WAV file " + name;
  if (!AudioFormat::IsSupportedBits(header.BitsPerSample))
    return "Unsupported sample size (" + std::to_string(header.BitsPerSample) +
           " bits) in WAV file " + name;
  return "";
}

std::optional<WaveEncoding> EngineEncoding(const TWAVheader& header) {
  if (!header.Located || header.DataSize < 0) return std::nullopt;
  if (header.Channels != 1 && header.Channels != 2) return std::nullopt;
  if (header.SampleRate <= 0) return std::nullopt;
  const int32_t bits = header.BitsPerSample;
  if (header.IsFloat ? bits != 32 && bits != 64 : bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return std::nullopt;
  return WaveEncoding{AudioFormat{header.SampleRate, bits, header.Channels}, header.IsFloat};
}

std::vector<uint8_t> EngineWavHeader(const WaveEncoding& encoding, uint32_t dataSize) {
  const AudioFormat& f = encoding.format;
  if (!encoding.IsWide()) return CanonicalWavHeader(f, dataSize);
  std::vector<uint8_t> h = CanonicalWavHeader(f, dataSize);
  auto put = [&](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) h[at + size_t(i)] = uint8_t(value >> (8 * i));
  };
  const uint32_t frameBytes = uint32_t(f.channels * (f.bits / 8));
  put(20, encoding.isFloat ? 3 : 1, 2);
  put(28, uint32_t(f.rate) * frameBytes, 4);
  put(32, frameBytes, 2);
  put(34, uint32_t(f.bits), 2);
  return h;
}

std::optional<std::string> CopyOtherChunks(const std::string& source, const std::string& target,
                                           const FrameMap& frames, std::vector<std::string>* dropped) {
  std::FILE* in = std::fopen(source.c_str(), "rb");
  if (!in) return source + ": " + std::strerror(errno);
  std::vector<RiffChunk> chunks;
  uint8_t head[12];
  if (std::fread(head, 1, 12, in) == 12 && std::memcmp(head + 8, "WAVE", 4) == 0 &&
      (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RF64", 4) == 0)) {
    uint8_t chunk[8];
    while (std::fread(chunk, 1, 8, in) == 8) {
      const uint32_t length = Le32(chunk + 4);
      // The peak chunk states the input's peaks, which the processed samples no longer have.
      const bool skipped = std::memcmp(chunk, "fmt ", 4) == 0 || std::memcmp(chunk, "data", 4) == 0 ||
                           std::memcmp(chunk, "fact", 4) == 0 || std::memcmp(chunk, "ds64", 4) == 0 ||
                           std::memcmp(chunk, "PEAK", 4) == 0;
      // A data chunk of unknown (or RF64's) length runs to the end of the file: nothing follows.
      if (std::memcmp(chunk, "data", 4) == 0 && (length == 0xFFFFFFFF || std::memcmp(head, "RF64", 4) == 0))
        break;
      const uint64_t padded = uint64_t(length) + length % 2;
      if (skipped) {
        if (std::fseek(in, long(padded), SEEK_CUR) != 0) break;
        continue;
      }
      RiffChunk kept;
      std::memcpy(kept.id, chunk, 4);
      kept.length = length;
      kept.body.resize(static_cast<size_t>(padded));
      if (std::fread(kept.body.data(), 1, kept.body.size(), in) != kept.body.size()) break;  // a cut chunk is left out
      chunks.push_back(std::move(kept));
    }
  }
  std::fclose(in);
  std::vector<std::string> left = FollowFrames(chunks, frames);
  if (dropped) *dropped = std::move(left);
  std::vector<uint8_t> kept;
  for (const RiffChunk& c : chunks) {
    kept.insert(kept.end(), c.id, c.id + 4);
    for (int i = 0; i < 4; ++i) kept.push_back(uint8_t(c.length >> (8 * i)));
    kept.insert(kept.end(), c.body.begin(), c.body.end());
    if (c.body.size() % 2) kept.push_back(0);
  }
  if (kept.empty()) return std::nullopt;
  std::FILE* out = std::fopen(target.c_str(), "r+b");
  if (!out) return target + ": " + std::strerror(errno);
  bool ok = std::fseek(out, 0, SEEK_END) == 0;
  const long size = std::ftell(out);
  ok = ok && size >= 12 && std::fwrite(kept.data(), 1, kept.size(), out) == kept.size();
  uint8_t riff[4];
  const uint64_t length = uint64_t(size) + kept.size() - 8;
  for (int i = 0; i < 4; ++i) riff[i] = uint8_t(length >> (8 * i));
  ok = ok && length <= 0xFFFFFFFFu && std::fseek(out, 4, SEEK_SET) == 0 && std::fwrite(riff, 1, 4, out) == 4;
  if (std::fclose(out) != 0) ok = false;
  if (!ok) return target + ": can't copy the chunks of " + source;
  return std::nullopt;
}

std::vector<uint8_t> CanonicalWavHeader(const AudioFormat& format, uint32_t dataSize) {
  std::vector<uint8_t> h;
  h.reserve(44);
  auto text = [&](const char* s) { h.insert(h.end(), s, s + 4); };
  auto number = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) h.push_back(uint8_t(value >> (8 * i)));
  };
  text("RIFF");
  number(dataSize + 36, 4);
  text("WAVE");
  text("fmt ");
  number(16, 4);
  number(1, 2);  // PCM
  number(uint32_t(format.StoredChannels()), 2);
  number(uint32_t(format.rate), 4);
  number(uint32_t(format.BytesPerSecond()), 4);
  number(uint32_t(format.FrameBytes()), 2);
  number(uint32_t(format.StoredBits()), 2);
  text("data");
  number(dataSize, 4);
  return h;
}

}  // namespace tonemill
