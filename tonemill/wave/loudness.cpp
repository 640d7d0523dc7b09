#include "loudness.h"

#include "platform/filesystem.h"
#include "tonemill/files/wavheader.h"
#include "truepeak.h"

#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace tonemill {
namespace {

constexpr size_t kBlockFrames = 8192;

struct MeterDeleter {
  void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using Meter = std::unique_ptr<ebur128_state, MeterDeleter>;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The histogram mode keeps the meter's memory fixed however long the file is. The true peak
// is measured beside it, by the program's own meter.
Meter NewMeter(int32_t channels, int32_t rate) {
  return Meter(ebur128_init(unsigned(channels), static_cast<unsigned long>(rate),
                            EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_HISTOGRAM));
}

// Both measures get the same blocks.
void AddBlock(ebur128_state* meter, TruePeakMeter& peaks, const double* samples, size_t frames) {
  ebur128_add_frames_double(meter, samples, frames);
  peaks.Add(samples, frames);
}

std::optional<Problem> Finish(ebur128_state* meter, TruePeakMeter& peaks, int64_t frames,
                              const std::string& path, LoudnessFigures& figures) {
  double integrated = 0, range = 0;
  if (ebur128_loudness_global(meter, &integrated) != EBUR128_SUCCESS ||
      ebur128_loudness_range(meter, &range) != EBUR128_SUCCESS)
    return Problem("Can't measure the loudness of " + path, path);
  const double peak = peaks.Finish();
  figures.integrated = integrated;
  figures.range = range;
  figures.truePeak = peak > 0 ? 20 * std::log10(peak) : -std::numeric_limits<double>::infinity();
  figures.frames = frames;
  return std::nullopt;
}

std::optional<Problem> MeasureOwnWav(const std::string& path, const TWAVheader& header,
                                     LoudnessFigures& figures) {
  const int32_t channels = header.Channels == 1 ? 1 : 2;
  const int32_t bytes = header.BitsPerSample == 8 ? 1 : 2;
  Meter meter = NewMeter(channels, header.SampleRate);
  TruePeakMeter peaks(channels, header.SampleRate);
  File file(std::fopen(platform::NativePath(path).c_str(), "rb"));
  if (!meter || !file || std::fseek(file.get(), header.DataStart, SEEK_SET) != 0)
    return Problem("Can't open WAV file " + path, path);
  const size_t frameBytes = size_t(channels * bytes);
  std::vector<uint8_t> raw(kBlockFrames * frameBytes);
  std::vector<double> samples(kBlockFrames * size_t(channels));
  int64_t left = header.DataSize / int64_t(frameBytes), frames = 0;
  while (left > 0) {
    const size_t want = size_t(std::min<int64_t>(left, kBlockFrames));
    const size_t got = std::fread(raw.data(), frameBytes, want, file.get());
    for (size_t i = 0; i < got * size_t(channels); ++i)
      samples[i] = bytes == 1 ? (raw[i] - 128) / 128.0
                              : int16_t(raw[2 * i] | raw[2 * i + 1] << 8) / 32768.0;
    AddBlock(meter.get(), peaks, samples.data(), got);
    frames += int64_t(got);
    if (got < want) break;  // a file cut short is measured as far as it goes
    left -= int64_t(got);
  }
  return Finish(meter.get(), peaks, frames, path, figures);
}

// Read as doubles at full scale ±1, so that float files keep their values (and any level
// above full scale) as integer files do theirs.
std::optional<Problem> MeasureSoundFile(const std::string& path, LoudnessFigures& figures) {
  SF_INFO info{};
  SNDFILE* file = sf_open(platform::NativePath(path).c_str(), SFM_READ, &info);
  if (!file) return Problem(path + ": " + sf_strerror(nullptr), path);
  const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> closer(file, sf_close);
  const int32_t channels = info.channels;
  Meter meter = NewMeter(channels, info.samplerate);
  TruePeakMeter peaks(channels, info.samplerate);
  if (!meter) return Problem("Can't measure the loudness of " + path, path);
  std::vector<double> samples(kBlockFrames * size_t(channels));
  int64_t frames = 0;
  while (const sf_count_t got = sf_readf_double(file, samples.data(), sf_count_t(kBlockFrames))) {
    if (got < 0) break;
    AddBlock(meter.get(), peaks, samples.data(), size_t(got));
    frames += got;
  }
  return Finish(meter.get(), peaks, frames, path, figures);
}

// Where a WAV file's samples are and how they are stored.
struct DataLayout {
  int64_t start = 0, size = 0;
  int32_t bits = 0;
  bool isFloat = false;
};

uint32_t Le(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

std::optional<DataLayout> ReadLayout(std::FILE* file) {
  uint8_t head[12];
  if (std::fread(head, 1, 12, file) != 12 ||
      (std::memcmp(head, "RIFF", 4) != 0 && std::memcmp(head, "RF64", 4) != 0) ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    return std::nullopt;
  std::fseek(file, 0, SEEK_END);
  const int64_t length = std::ftell(file);
  int64_t at = 12;
  DataLayout layout;
  bool haveFormat = false;
  while (at + 8 <= length) {
    uint8_t chunk[8];
    if (std::fseek(file, long(at), SEEK_SET) != 0 || std::fread(chunk, 1, 8, file) != 8) break;
    const int64_t size = Le(chunk + 4, 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      uint8_t fmt[40] = {};
      const size_t got = std::fread(fmt, 1, size_t(std::min<int64_t>(size, 40)), file);
      if (got < 16) return std::nullopt;
      uint32_t tag = Le(fmt, 2);
      if (tag == 0xFFFE && got >= 26) tag = Le(fmt + 24, 2);
      layout.bits = int32_t(Le(fmt + 14, 2));
      layout.isFloat = tag == 3;
      if (tag != 1 && tag != 3) return std::nullopt;
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      layout.start = at + 8;
      // An RF64 file's size is in its ds64 chunk; the data runs to the end of the file then.
      layout.size = std::min(size == 0xFFFFFFFF ? length : size, length - layout.start);
      if (!haveFormat) return std::nullopt;
      const bool known = layout.isFloat ? layout.bits == 32 || layout.bits == 64
                                        : layout.bits >= 8 && layout.bits <= 32 && layout.bits % 8 == 0;
      return known ? std::optional(layout) : std::nullopt;
    }
    at += 8 + size + (size & 1);
  }
  return std::nullopt;
}

void ScaleInteger(uint8_t* p, size_t count, int32_t bytes, double factor) {
  const int shift = 32 - 8 * bytes;
  const double high = std::ldexp(1.0, 8 * bytes - 1) - 1, low = -high - 1;
  for (size_t i = 0; i < count; ++i, p += bytes) {
    int64_t value;
    if (bytes == 1) value = int64_t(p[0]) - 128;
    else value = int32_t(Le(p, bytes) << shift) >> shift;
    const double scaled = std::clamp(std::nearbyint(double(value) * factor), low, high);
    const int64_t out = int64_t(scaled);
    if (bytes == 1) {
      p[0] = uint8_t(out + 128);
      continue;
    }
    for (int32_t b = 0; b < bytes; ++b) p[b] = uint8_t(uint64_t(out) >> (8 * b));
  }
}

template <typename Float>
void ScaleFloat(uint8_t* p, size_t count, double factor) {
  for (size_t i = 0; i < count; ++i, p += sizeof(Float)) {
    Float value;
    std::memcpy(&value, p, sizeof value);
    value = Float(value * factor);
    std::memcpy(p, &value, sizeof value);
  }
}

}  // namespace

std::optional<Problem> MeasureLoudness(const std::string& path, LoudnessFigures& figures) {
  const TWAVheader header(path);
  if (header.Valid && WavInputProblem(header, path).empty() &&
      (header.BitsPerSample == 8 || header.BitsPerSample == 16))
    return MeasureOwnWav(path, header, figures);
  return MeasureSoundFile(path, figures);
}

std::string FormatLoudness(double value, const char* unit) {
  if (std::isinf(value)) return std::string(value < 0 ? "-inf " : "inf ") + unit;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, unit);
  return text;
}

GainChoice ChooseGain(const LoudnessFigures& figures, const LoudnessTarget& target) {
  GainChoice choice;
  if (!std::isfinite(figures.integrated) || !std::isfinite(figures.truePeak)) {
    choice.warning = "too quiet to measure its loudness; no gain applied";
    return choice;
  }
  choice.gainDb = target.lufs - figures.integrated;
  const double allowed = target.ceiling - figures.truePeak;
  if (allowed < choice.gainDb) {
    choice.gainDb = allowed;
    choice.limited = true;
    choice.warning = "the true-peak ceiling of " + FormatLoudness(target.ceiling, "dBTP") +
                     " allows " + FormatLoudness(figures.integrated + allowed, "LUFS") +
                     ", not " + FormatLoudness(target.lufs, "LUFS");
  }
  return choice;
}

bool CanApplyGain(const std::string& path) {
  File file(std::fopen(platform::NativePath(path).c_str(), "rb"));
  return file && ReadLayout(file.get()).has_value();
}

std::optional<Problem> ApplyGain(const std::string& path, double gainDb) {
  File file(std::fopen(platform::NativePath(path).c_str(), "r+b"));
  if (!file) return Problem("Can't open WAV file " + path, path, 0, std::strerror(errno));
  const std::optional<DataLayout> layout = ReadLayout(file.get());
  if (!layout) return Problem("Unsupported WAV format in " + path, path);
  const double factor = std::pow(10.0, gainDb / 20);
  const int32_t bytes = layout->bits / 8;
  std::vector<uint8_t> block(kBlockFrames * 8);
  const size_t blockBytes = block.size() - block.size() % size_t(bytes);
  for (int64_t done = 0; done + bytes <= layout->size;) {
    const size_t want = size_t(std::min<int64_t>(int64_t(blockBytes), layout->size - done));
    const size_t whole = want - want % size_t(bytes);
    if (std::fseek(file.get(), long(layout->start + done), SEEK_SET) != 0 ||
        std::fread(block.data(), 1, whole, file.get()) != whole)
      return Problem("Premature end of WAV file " + path, path);
    const size_t count = whole / size_t(bytes);
    if (!layout->isFloat) ScaleInteger(block.data(), count, bytes, factor);
    else if (bytes == 4) ScaleFloat<float>(block.data(), count, factor);
    else ScaleFloat<double>(block.data(), count, factor);
    if (std::fseek(file.get(), long(layout->start + done), SEEK_SET) != 0 ||
        std::fwrite(block.data(), 1, whole, file.get()) != whole)
      return Problem("Can't write WAV file " + path, path, 0, std::strerror(errno));
    done += int64_t(whole);
  }
  if (std::fclose(file.release()) != 0)
    return Problem("Can't write WAV file " + path, path, 0, std::strerror(errno));
  return std::nullopt;
}

}  // namespace tonemill
