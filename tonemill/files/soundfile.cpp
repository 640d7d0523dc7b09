#include "soundfile.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace tonemill {
namespace {

struct ContainerRow {
  Container container;
  std::string_view name, extension, description;
  int major;
};

constexpr std::array<ContainerRow, 6> kContainers{{
    {Container::Wav, "wav", ".wav", "WAV", SF_FORMAT_WAV},
    {Container::Flac, "flac", ".flac", "FLAC", SF_FORMAT_FLAC},
    {Container::Ogg, "ogg", ".ogg", "Ogg Vorbis", SF_FORMAT_OGG},
    {Container::Opus, "opus", ".opus", "Opus", SF_FORMAT_OGG},
    {Container::Mp3, "mp3", ".mp3", "MP3", SF_FORMAT_MPEG},
    {Container::Aiff, "aiff", ".aiff", "AIFF", SF_FORMAT_AIFF},
}};

const ContainerRow& RowOf(Container container) {
  for (const ContainerRow& row : kContainers)
    if (row.container == container) return row;
  return kContainers[0];
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// The extension of the name's last part, without its dot; empty when it has none.
std::string ExtensionOfName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return "";
  return Lower(name.substr(dot + 1));
}

constexpr std::array<int32_t, 5> kOpusRates{8000, 12000, 16000, 24000, 48000};
constexpr std::array<int32_t, 9> kMp3Rates{8000, 11025, 12000, 16000, 22050,
                                           24000, 32000, 44100, 48000};

template <size_t N>
bool Contains(const std::array<int32_t, N>& rates, int32_t rate) {
  return std::find(rates.begin(), rates.end(), rate) != rates.end();
}

template <size_t N>
std::string RateList(const std::array<int32_t, N>& rates) {
  std::string text;
  for (size_t i = 0; i < N; ++i)
    text += (i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::to_string(rates[i]);
  return text + " Hz";
}

// The rate closest to `rate` among `rates`, preferring the higher of two as close.
template <size_t N>
int32_t Nearest(const std::array<int32_t, N>& rates, int32_t rate) {
  int32_t best = rates[0];
  for (int32_t r : rates)
    if (std::abs(int64_t(r) - rate) <= std::abs(int64_t(best) - rate)) best = r;
  return best;
}

int SubtypeOf(Container container, int32_t bits) {
  switch (container) {
    case Container::Ogg: return SF_FORMAT_VORBIS;
    case Container::Opus: return SF_FORMAT_OPUS;
    case Container::Mp3: return SF_FORMAT_MPEG_LAYER_III;
    case Container::Wav:
    case Container::Flac:
    case Container::Aiff: break;
  }
  switch (bits) {
    case 8: return container == Container::Wav ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_S8;
    case 24: return SF_FORMAT_PCM_24;
    case 32: return SF_FORMAT_PCM_32;
    default: return SF_FORMAT_PCM_16;
  }
}

// The width a file holds, from its encoding; 0 for the lossy ones, 32 for floating point.
int32_t BitsOf(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 32;
    case SF_FORMAT_DOUBLE: return 64;
    default: return 0;
  }
}

std::optional<Container> ContainerOfInfo(const SF_INFO& info) {
  switch (info.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64: return Container::Wav;
    case SF_FORMAT_FLAC: return Container::Flac;
    case SF_FORMAT_OGG:
      return (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? Container::Opus : Container::Ogg;
    case SF_FORMAT_MPEG: return Container::Mp3;
    case SF_FORMAT_AIFF: return Container::Aiff;
    default: return std::nullopt;
  }
}

constexpr int kTagKinds[] = {SF_STR_TITLE,   SF_STR_ARTIST, SF_STR_ALBUM,       SF_STR_COMMENT,
                             SF_STR_DATE,    SF_STR_GENRE,  SF_STR_TRACKNUMBER, SF_STR_COPYRIGHT,
                             SF_STR_LICENSE};

// A container without a place for a tag keeps the rest: each is set on its own.
void SetFileTags(SNDFILE* file, const AudioTags& tags) {
  for (const AudioTag& tag : tags)
    if (!tag.text.empty()) sf_set_string(file, tag.kind, tag.text.c_str());
}

// libsndfile's scale runs from 0 (best) to 1 (smallest), the reverse of the option's.
bool SetFileQuality(SNDFILE* file, std::optional<double> quality) {
  if (!quality) return true;
  double level = 1.0 - *quality / 10.0;
  // Its answer differs between encoders; the file's error state says whether it was taken.
  sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
  return sf_error(file) == SF_ERR_NO_ERROR;
}

}  // namespace

std::optional<Container> ContainerOfName(const std::string& path) {
  const std::string extension = ExtensionOfName(path);
  if (extension.empty()) return Container::Wav;
  if (extension == "aif") return Container::Aiff;
  for (const ContainerRow& row : kContainers)
    if (extension == row.name) return row.container;
  return std::nullopt;
}

std::optional<Container> ContainerNamed(std::string_view name) {
  const std::string lower = Lower(name);
  if (lower == "aif") return Container::Aiff;
  for (const ContainerRow& row : kContainers)
    if (lower == row.name) return row.container;
  return std::nullopt;
}

std::optional<Container> ContainerOfFile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return std::nullopt;
  sf_close(file);
  return ContainerOfInfo(info);
}

std::optional<Container> FormatOptionContainer(const std::string& name, std::string& error) {
  const std::optional<Container> named = ContainerNamed(name);
  if (!named) error = "--format takes wav, flac, ogg, opus, mp3 or aiff, not " + name;
  return named;
}

std::string_view ExtensionOf(Container container) { return RowOf(container).extension; }
std::string_view DescriptionOf(Container container) { return RowOf(container).description; }

std::string UnknownContainerMessage(const std::string& path) {
  return path + ": no audio format has the extension ." + ExtensionOfName(path) +
         "; name the output .wav, .flac, .ogg, .opus, .mp3, .aif or .aiff, or give --format";
}

std::optional<std::string> EncodingLimit(Container container, int32_t rate, int32_t bits) {
  const std::string at = " (not " + std::to_string(rate) + " Hz)";
  switch (container) {
    case Container::Opus:
      if (Contains(kOpusRates, rate)) return std::nullopt;
      return "Opus takes " + RateList(kOpusRates) + at + "; --rate " +
             std::to_string(Nearest(kOpusRates, rate)) + " would do";
    case Container::Mp3:
      if (Contains(kMp3Rates, rate)) return std::nullopt;
      return "MP3 takes " + RateList(kMp3Rates) + at + "; --rate " +
             std::to_string(Nearest(kMp3Rates, rate)) + " would do";
    case Container::Flac:
      if (bits == 8 || bits == 16 || bits == 24) return std::nullopt;
      return "FLAC takes 8, 16 or 24-bit integer samples (not " + std::to_string(bits) +
             "-bit); --bits 24 would do";
    case Container::Wav:
    case Container::Aiff:
    case Container::Ogg: break;
  }
  return std::nullopt;
}

int32_t EncodableRate(Container container, int32_t rate) {
  switch (container) {
    case Container::Opus: return Contains(kOpusRates, rate) ? rate : Nearest(kOpusRates, rate);
    case Container::Mp3: return Contains(kMp3Rates, rate) ? rate : Nearest(kMp3Rates, rate);
    case Container::Wav:
    case Container::Flac:
    case Container::Aiff:
    case Container::Ogg: break;
  }
  return rate;
}

std::string ResampleNotice(Container container, int32_t rate) {
  const std::string rates = container == Container::Opus ? RateList(kOpusRates) : RateList(kMp3Rates);
  return std::string(DescriptionOf(container)) + " takes " + rates + ": converted from " +
         std::to_string(rate) + " Hz to " + std::to_string(EncodableRate(container, rate)) + " Hz";
}

SoundFile::~SoundFile() {
  if (file_) sf_close(file_);
}

SoundFile::SoundFile(SoundFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), format_(other.format_), frames_(other.frames_) {}

SoundFile& SoundFile::operator=(SoundFile&& other) noexcept {
  if (this != &other) {
    if (file_) sf_close(file_);
    file_ = std::exchange(other.file_, nullptr);
    format_ = other.format_;
    frames_ = other.frames_;
  }
  return *this;
}

SoundFile SoundFile::OpenRead(const std::string& path, std::string& error) {
  SoundFile sound;
  SF_INFO info{};
  sound.file_ = sf_open(path.c_str(), SFM_READ, &info);
  if (!sound.file_) {
    error = path + ": " + sf_strerror(nullptr);
    return sound;
  }
  sound.format_ = {info.samplerate, BitsOf(info.format), info.channels};
  sound.frames_ = info.frames;
  return sound;
}

SoundFile SoundFile::OpenWrite(const std::string& path, Container container,
                               const AudioFormat& format, std::string& error) {
  SoundFile sound;
  if (std::optional<std::string> limit = EncodingLimit(container, format.rate, format.bits)) {
    error = *limit;
    return sound;
  }
  SF_INFO info{};
  info.samplerate = format.rate;
  info.channels = format.channels;
  info.format = RowOf(container).major | SubtypeOf(container, format.bits);
  if (!sf_format_check(&info)) {
    error = path + ": " + std::string(DescriptionOf(container)) + " cannot hold " +
            std::to_string(format.channels) + " channels of " + std::to_string(format.bits) +
            "-bit samples at " + std::to_string(format.rate) + " Hz";
    return sound;
  }
  sound.file_ = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!sound.file_) {
    error = path + ": " + sf_strerror(nullptr);
    return sound;
  }
  sound.format_ = format;
  return sound;
}

bool SoundFile::SetQuality(std::optional<double> quality) { return file_ && SetFileQuality(file_, quality); }

void SoundFile::SetTags(const AudioTags& tags) {
  if (file_) SetFileTags(file_, tags);
}

AudioTags ReadAudioTags(const std::string& path) {
  AudioTags tags;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return tags;
  for (int kind : kTagKinds)
    if (const char* text = sf_get_string(file, kind); text && *text) tags.push_back({kind, text});
  sf_close(file);
  return tags;
}

int TitleTag() { return SF_STR_TITLE; }
int ArtistTag() { return SF_STR_ARTIST; }

size_t SoundFile::Read(int32_t* samples, size_t frames) {
  if (!file_) return 0;
  const sf_count_t read = sf_readf_int(file_, samples, sf_count_t(frames));
  return read > 0 ? size_t(read) : 0;
}

bool SoundFile::Write(const int32_t* samples, size_t frames) {
  if (!file_) return false;
  return sf_writef_int(file_, samples, sf_count_t(frames)) == sf_count_t(frames);
}

std::string SoundFile::Error() const { return sf_strerror(file_); }

bool SoundFile::Close(std::string& error) {
  if (!file_) return true;
  const int status = sf_close(std::exchange(file_, nullptr));
  if (status == 0) return true;
  error = sf_error_number(status);
  return false;
}

namespace {

// Closes a libsndfile handle it owns; a writer that must know whether the close succeeded
// releases it and closes it itself.
struct SndFileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFile = std::unique_ptr<SNDFILE, SndFileCloser>;

// Float samples go through as floats: read as integers they would come out unscaled (silence).
// The lossy encoders take them as they are, WAV and AIFF keep 32-bit floats; FLAC holds none.
std::optional<std::string> EncodeFloats(const std::string& source, const std::string& target,
                                        Container container, std::optional<double> quality,
                                        const AudioTags& tags) {
  SF_INFO info{};
  SNDFILE* in = sf_open(source.c_str(), SFM_READ, &info);
  if (!in) return source + ": " + sf_strerror(nullptr);
  const SndFile inCloser(in);
  if (std::optional<std::string> limit = EncodingLimit(container, info.samplerate, 32)) return limit;
  SF_INFO outInfo{};
  outInfo.samplerate = info.samplerate;
  outInfo.channels = info.channels;
  const bool lossy = container == Container::Ogg || container == Container::Opus || container == Container::Mp3;
  outInfo.format = RowOf(container).major | (lossy ? SubtypeOf(container, 32) : SF_FORMAT_FLOAT);
  SNDFILE* out = sf_open(target.c_str(), SFM_WRITE, &outInfo);
  if (!out) return target + ": " + sf_strerror(nullptr);
  SndFile outCloser(out);
  if (!SetFileQuality(out, quality)) return target + ": " + sf_strerror(out);
  SetFileTags(out, tags);
  constexpr sf_count_t kFrames = 8192;
  std::vector<float> block(size_t(kFrames) * size_t(std::max(info.channels, 1)));
  while (const sf_count_t frames = sf_readf_float(in, block.data(), kFrames))
    if (frames < 0 || sf_writef_float(out, block.data(), frames) != frames)
      return target + ": " + sf_strerror(out);
  if (const int status = sf_close(outCloser.release()); status != 0)
    return target + ": " + sf_error_number(status);
  return std::nullopt;
}

// The source converted to `rate` on its way into a lossy encoder, as floats (the encoders
// take them as they are), in blocks: the memory does not grow with the file.
std::optional<std::string> EncodeResampled(const std::string& source, const std::string& target,
                                           Container container, std::optional<double> quality,
                                           const AudioTags& tags, int32_t rate) {
  SF_INFO info{};
  SNDFILE* in = sf_open(source.c_str(), SFM_READ, &info);
  if (!in) return source + ": " + sf_strerror(nullptr);
  const SndFile inCloser(in);
  SF_INFO outInfo{};
  outInfo.samplerate = rate;
  outInfo.channels = info.channels;
  outInfo.format = RowOf(container).major | SubtypeOf(container, 32);
  SNDFILE* out = sf_open(target.c_str(), SFM_WRITE, &outInfo);
  if (!out) return target + ": " + sf_strerror(nullptr);
  SndFile outCloser(out);
  if (!SetFileQuality(out, quality)) return target + ": " + sf_strerror(out);
  SetFileTags(out, tags);
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t spec = soxr_quality_spec(SOXR_HQ, 0);
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_error_t failure = nullptr;
  struct Resampler {
    soxr_t r;
    ~Resampler() {
      if (r) soxr_delete(r);
    }
  } resampler{soxr_create(double(info.samplerate), double(rate), unsigned(info.channels), &failure, &io,
                          &spec, &runtime)};
  if (!resampler.r || failure) return target + ": resampler: " + (failure ? failure : "no memory");
  constexpr size_t kFrames = 8192;
  const size_t channels = size_t(std::max(info.channels, 1));
  const size_t room = kFrames * size_t(rate) / size_t(std::max(info.samplerate, 1)) + 1024;
  std::vector<float> block(kFrames * channels), converted(room * channels);
  const auto put = [&](size_t frames) {
    return frames == 0 || sf_writef_float(out, converted.data(), sf_count_t(frames)) == sf_count_t(frames);
  };
  for (;;) {
    const sf_count_t got = sf_readf_float(in, block.data(), sf_count_t(kFrames));
    if (got <= 0) break;
    size_t left = size_t(got);
    const float* next = block.data();
    while (left > 0) {
      size_t used = 0, made = 0;
      if (const soxr_error_t e = soxr_process(resampler.r, next, left, &used, converted.data(), room, &made))
        return target + ": resampler: " + e;
      if (!put(made)) return target + ": " + sf_strerror(out);
      if (used == 0 && made == 0) break;
      next += used * channels;
      left -= used;
    }
  }
  // The resampler's tail.
  for (;;) {
    size_t made = 0;
    if (const soxr_error_t e = soxr_process(resampler.r, nullptr, 0, nullptr, converted.data(), room, &made))
      return target + ": resampler: " + e;
    if (made == 0) break;
    if (!put(made)) return target + ": " + sf_strerror(out);
  }
  if (const int status = sf_close(outCloser.release()); status != 0)
    return target + ": " + sf_error_number(status);
  return std::nullopt;
}

}  // namespace

std::optional<std::string> QualityProblem(Container container, double quality) {
  if (!(quality >= 0 && quality <= 10)) return "--quality takes 0 to 10";
  if (container != Container::Ogg && container != Container::Opus && container != Container::Mp3)
    return "--quality is for Ogg Vorbis, Opus and MP3, not " + std::string(DescriptionOf(container));
  return std::nullopt;
}

std::optional<std::string> EncodeSoundFile(const std::string& source, const std::string& target,
                                           Container container, std::optional<double> quality,
                                           const AudioTags& tags, bool resample) {
  {
    SF_INFO info{};
    if (SNDFILE* probe = sf_open(source.c_str(), SFM_READ, &info)) {
      sf_close(probe);
      if (const int32_t rate = EncodableRate(container, info.samplerate); resample && rate != info.samplerate)
        return EncodeResampled(source, target, container, quality, tags, rate);
      const int subtype = info.format & SF_FORMAT_SUBMASK;
      if (subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE)
        return EncodeFloats(source, target, container, quality, tags);
    }
  }
  std::string error;
  SoundFile in = SoundFile::OpenRead(source, error);
  if (!in.IsOpen()) return error;
  SoundFile out = SoundFile::OpenWrite(target, container, in.Format(), error);
  if (!out.IsOpen()) return error;
  if (!out.SetQuality(quality)) return target + ": " + out.Error();
  out.SetTags(tags);
  constexpr size_t kFrames = 8192;
  std::vector<int32_t> block(kFrames * size_t(std::max(in.Format().channels, 1)));
  while (size_t frames = in.Read(block.data(), kFrames))
    if (!out.Write(block.data(), frames)) return target + ": " + out.Error();
  if (!in.Close(error)) return source + ": " + error;
  if (!out.Close(error)) return target + ": " + error;
  return std::nullopt;
}

}  // namespace tonemill

namespace tonemill {
namespace {

bool IsLossy(int format) {
  const int subtype = format & SF_FORMAT_SUBMASK;
  return subtype == SF_FORMAT_VORBIS || subtype == SF_FORMAT_OPUS ||
         subtype == SF_FORMAT_MPEG_LAYER_I || subtype == SF_FORMAT_MPEG_LAYER_II ||
         subtype == SF_FORMAT_MPEG_LAYER_III;
}

// The encoding a decoded file keeps: integers at their width, floats as floats, the lossy
// encodings as 32-bit floats (they have no width), the companded and ADPCM ones as 16 bits.
WaveEncoding EncodingOfInfo(const SF_INFO& info) {
  const int subtype = info.format & SF_FORMAT_SUBMASK;
  WaveEncoding e;
  e.format = AudioFormat{info.samplerate, 16, info.channels};
  if (subtype == SF_FORMAT_DOUBLE) {
    e.format.bits = 64;
    e.isFloat = true;
  } else if (subtype == SF_FORMAT_FLOAT || IsLossy(info.format)) {
    e.format.bits = 32;
    e.isFloat = true;
  } else if (const int32_t bits = BitsOf(info.format); bits != 0) {
    e.format.bits = bits;
  }
  return e;
}

void PutLe(uint8_t* p, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = uint8_t(value >> (8 * i));
}

}  // namespace

std::optional<std::string> DecodeToEngineWav(const std::string& source, const std::string& target,
                                             WaveEncoding& encoding, bool fold) {
  SF_INFO info{};
  SNDFILE* in = sf_open(source.c_str(), SFM_READ, &info);
  if (!in) return source + ": unsupported encoding (" + sf_strerror(nullptr) + ")";
  const SndFile closer(in);
  const bool folding = fold && info.channels > 2;
  if (info.channels < 1 || (info.channels > 2 && !folding))
    return source + ": " + std::to_string(info.channels) +
           " channels; the WAV operations take mono or stereo files";
  encoding = EncodingOfInfo(info);
  if (folding) encoding.format.channels = 2;
  const int32_t sampleBytes = encoding.SampleBytes();
  const int64_t frameBytes = encoding.FrameBytes();
  // MP3 gives no reliable length; for the others the header claims what the file says it
  // holds, so that a file that decodes short is reported as one that ended early.
  const bool knownLength = (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG &&
                           info.frames > 0 && info.frames < INT64_MAX / frameBytes;
  constexpr int64_t kMaxData = INT32_MAX - 1;
  if (knownLength && info.frames * frameBytes > kMaxData)
    return "Data of " + source + " too large to process";

  FILE* out = std::fopen(target.c_str(), "wb");
  if (!out) return target + ": " + std::strerror(errno);
  struct FileCloser {
    FILE* f;
    ~FileCloser() {
      if (f) std::fclose(f);
    }
  } outCloser{out};
  std::vector<uint8_t> header = EngineWavHeader(encoding, 0);
  bool ok = std::fwrite(header.data(), 1, header.size(), out) == header.size();

  constexpr sf_count_t kFrames = 8192;
  const size_t samples = size_t(kFrames) * size_t(info.channels);
  std::vector<int32_t> ints(encoding.isFloat ? 0 : samples);
  std::vector<float> floats(encoding.isFloat && encoding.format.bits == 32 ? samples : 0);
  std::vector<double> doubles(encoding.isFloat && encoding.format.bits == 64 ? samples : 0);
  std::vector<uint8_t> bytes(size_t(kFrames * frameBytes));
  int64_t written = 0;
  for (;;) {
    sf_count_t got = 0;
    if (!doubles.empty()) {
      got = sf_readf_double(in, doubles.data(), kFrames);
      if (got > 0 && folding) FoldChannels(doubles.data(), size_t(got), info.channels);
      if (got > 0) std::memcpy(bytes.data(), doubles.data(), size_t(got * frameBytes));
    } else if (!floats.empty()) {
      got = sf_readf_float(in, floats.data(), kFrames);
      if (got > 0 && folding) FoldChannels(floats.data(), size_t(got), info.channels);
      if (got > 0) std::memcpy(bytes.data(), floats.data(), size_t(got * frameBytes));
    } else {
      got = sf_readf_int(in, ints.data(), kFrames);
      if (got > 0 && folding) FoldChannels(ints.data(), size_t(got), info.channels);
      const int shift = 32 - encoding.format.bits;
      for (size_t i = 0; i < size_t(std::max<sf_count_t>(got, 0)) * size_t(encoding.format.channels); ++i) {
        const int32_t v = ints[i] >> shift;
        uint8_t* p = bytes.data() + i * size_t(sampleBytes);
        if (sampleBytes == 1)
          p[0] = uint8_t(v + 128);
        else
          PutLe(p, uint32_t(v), sampleBytes);
      }
    }
    if (got <= 0) break;
    if (written + got * frameBytes > kMaxData) return "Data of " + source + " too large to process";
    const size_t count = size_t(got * frameBytes);
    ok = ok && std::fwrite(bytes.data(), 1, count, out) == count;
    written += int64_t(count);
  }
  const int64_t claimed = knownLength ? std::max(written, info.frames * frameBytes) : written;
  // Nothing of what it claims decodes: there is nothing to process.
  if (written == 0 && claimed > 0) {
    const std::optional<Container> container = ContainerOfInfo(info);
    return "Premature end of " + std::string(container ? DescriptionOf(*container) : "audio") + " file " + source;
  }
  if (written % 2 != 0) {
    const uint8_t pad = !encoding.isFloat && encoding.format.bits == 8 ? 128 : 0;
    ok = ok && std::fputc(pad, out) != EOF;
  }
  header = EngineWavHeader(encoding, uint32_t(claimed));
  ok = ok && std::fseek(out, 0, SEEK_SET) == 0 &&
       std::fwrite(header.data(), 1, header.size(), out) == header.size();
  const int closed = std::fclose(std::exchange(outCloser.f, nullptr));
  if (!ok || closed != 0) return target + ": " + std::strerror(errno);
  return std::nullopt;
}

}  // namespace tonemill
