// Audio files in the containers other programs exchange (FLAC, Ogg Vorbis, Opus, MP3, AIFF and
// WAV), read and written through libsndfile. The program's own WAV files keep their own reader
// and writer; this is the edge where songs and processed files leave in another container.
#pragma once

#include "audioformat.h"
#include "wavheader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

struct sf_private_tag;

namespace tonemill {

enum class Container { Wav, Flac, Ogg, Opus, Mp3, Aiff };

// The container an output name's extension chooses (".wav .flac .ogg .opus .mp3 .aif .aiff", in
// any case); a name without an extension is a WAV file. Nothing for any other extension.
std::optional<Container> ContainerOfName(const std::string& path);
// The container --format names: wav, flac, ogg, opus, mp3, aiff (or aif).
std::optional<Container> ContainerNamed(std::string_view name);
// The value of a --format option: the container it names, or nothing with `error` set to
// "--format takes wav, flac, ogg, opus, mp3 or aiff, not NAME".
std::optional<Container> FormatOptionContainer(const std::string& name, std::string& error);
// The usual extension, with its dot.
std::string_view ExtensionOf(Container container);
// What the user reads: "FLAC", "Ogg Vorbis", ...
std::string_view DescriptionOf(Container container);
// The container libsndfile finds `path` to be in (an Ogg file holding Opus is Opus); nothing
// for one it cannot read or one of the other formats it knows.
std::optional<Container> ContainerOfFile(const std::string& path);
// The message for an output name whose extension names no container.
std::string UnknownContainerMessage(const std::string& path);

// Whether `container` can hold audio at `rate` Hz with `bits` per sample: nothing when it can,
// otherwise a message saying which rate or width would do.
std::optional<std::string> EncodingLimit(Container container, int32_t rate, int32_t bits);

// A text tag of an audio file as libsndfile maps it between containers (title, artist, album,
// comment, date, genre, track number, copyright, license): its string type and its text.
struct AudioTag {
  int kind;
  std::string text;
  bool operator==(const AudioTag&) const = default;
};
using AudioTags = std::vector<AudioTag>;
// The tags of `path` (a WAV file's LIST/INFO chunk, a FLAC or Ogg file's comments, an MP3
// file's ID3 tag); none for a file libsndfile cannot read. The software that wrote the file is
// no tag of its content and is left out.
AudioTags ReadAudioTags(const std::string& path);
// The string types of the title and the artist, for callers that name them.
int TitleTag();
int ArtistTag();

// The rate nearest to `rate` that `container`'s encoder takes; `rate` itself where it takes it.
int32_t EncodableRate(Container container, int32_t rate);
// What is said when audio at `rate` is converted for `container` (EncodeSoundFile with
// `resample`): "Opus takes 8000, 12000, 16000, 24000 or 48000 Hz: converted from 44100 Hz to
// 48000 Hz".
std::string ResampleNotice(Container container, int32_t rate);

// One open audio file; closed when it goes. Samples are interleaved 32-bit integers, the
// file's own width at the top (a 16-bit sample s reads as s << 16), so that integer material
// passes from one container to another without change.
class SoundFile {
 public:
  SoundFile() = default;
  ~SoundFile();
  SoundFile(SoundFile&& other) noexcept;
  SoundFile& operator=(SoundFile&& other) noexcept;
  SoundFile(const SoundFile&) = delete;
  SoundFile& operator=(const SoundFile&) = delete;

  // Fails with libsndfile's reason in `error`.
  static SoundFile OpenRead(const std::string& path, std::string& error);
  // A new file in `container` with `format`'s rate, channels and width (8, 16, 24 or 32 bits;
  // the lossy containers take any). Checks EncodingLimit first.
  static SoundFile OpenWrite(const std::string& path, Container container,
                             const AudioFormat& format, std::string& error);

  bool IsOpen() const { return file_ != nullptr; }
  // What a file opened for reading holds (its width as written; 0 for lossy encodings).
  const AudioFormat& Format() const { return format_; }
  int64_t Frames() const { return frames_; }

  // For a file opened for writing in a lossy container: the encoder's quality, 0 to 10 (see
  // QualityProblem). False when the encoder does not take it.
  bool SetQuality(std::optional<double> quality);
  // For a file opened for writing, before its samples: the tags its container holds (the
  // others are left out).
  void SetTags(const AudioTags& tags);
  // Reads up to `frames` frames; returns how many were read (0 at the end).
  size_t Read(int32_t* samples, size_t frames);
  // Writes all `frames` frames; false with the reason from Error() when it could not.
  bool Write(const int32_t* samples, size_t frames);
  std::string Error() const;
  // Finishes the file; false with `error` set when what was written did not reach the disk.
  bool Close(std::string& error);

 private:
  sf_private_tag* file_ = nullptr;
  AudioFormat format_;
  int64_t frames_ = 0;
};

// The lossy encoders' quality (Ogg Vorbis, Opus, MP3), from 0 (the smallest file) to 10 (the
// best sound): nothing when `container` takes `quality`, otherwise why not.
std::optional<std::string> QualityProblem(Container container, double quality);

// Copies the audio of `source` (any file libsndfile reads) into a new file `target` in
// `container`, keeping its rate, channels and width, at the encoder's `quality` when given
// (otherwise its default). Nothing when done, otherwise why not.
// `tags` go into the target where its container holds them. With `resample`, a rate the
// encoder refuses is converted (band-limited) to the nearest it takes (EncodableRate).
std::optional<std::string> EncodeSoundFile(const std::string& source, const std::string& target,
                                           Container container,
                                           std::optional<double> quality = std::nullopt,
                                           const AudioTags& tags = {}, bool resample = false);

// Decodes `source` (any file libsndfile reads, of one or two channels) into `target`, a WAV
// file the engines process: integer samples at their own width, floats as floats, the lossy
// encodings as 32-bit floats. When the source decodes to fewer frames than it claims, the
// header claims them all, so that the engines report it as ended early. Nothing when done,
// otherwise the message: "FILE: unsupported encoding (reason)" for one libsndfile cannot read.
// With `fold`, a source of more than two channels is folded into stereo (FoldChannels);
// without, it is refused with a message that names its count.
std::optional<std::string> DecodeToEngineWav(const std::string& source, const std::string& target,
                                             WaveEncoding& encoding, bool fold = false);

// Folds `frames` frames of `channels` (more than two) samples each into stereo frames in place:
// the left side is the plain average of the first, third, fifth... channel, the right side of
// the second, fourth...; of an odd count the last channel goes to both sides.
template <class T>
void FoldChannels(T* samples, size_t frames, int channels) {
  const int odd = channels % 2;
  for (size_t i = 0; i < frames; ++i) {
    const T* in = samples + i * size_t(channels);
    double left = 0, right = 0;
    for (int c = 0; c < channels; c += 2) left += double(in[c]);
    for (int c = 1; c < channels; c += 2) right += double(in[c]);
    if (odd) right += double(in[channels - 1]);
    const double sides = double(channels / 2 + odd);
    left /= sides;
    right /= sides;
    // Frame i's source lies at or beyond the two samples it becomes: folding forward is safe.
    if constexpr (std::is_integral_v<T>) {
      samples[2 * i] = T(std::trunc(left));
      samples[2 * i + 1] = T(std::trunc(right));
    } else {
      samples[2 * i] = T(left);
      samples[2 * i + 1] = T(right);
    }
  }
}

}  // namespace tonemill
