#include "tonemill/files/soundfile.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tonemill;

namespace {

TEST(SoundFile, NamesChooseTheirContainer) {
  const struct {
    const char* name;
    std::optional<Container> container;
  } rows[] = {
      {"song.wav", Container::Wav},   {"dir.x/song", Container::Wav},
      {"a.FLAC", Container::Flac},    {"a.ogg", Container::Ogg},
      {"a.opus", Container::Opus},    {"a.Mp3", Container::Mp3},
      {"a.aif", Container::Aiff},     {"a.aiff", Container::Aiff},
      {"a.flac.txt", std::nullopt},   {"a.wma", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(ContainerOfName(row.name), row.container) << row.name;
  EXPECT_EQ(ContainerNamed("AIF"), Container::Aiff);
  EXPECT_EQ(ContainerNamed("vorbis"), std::nullopt);
  EXPECT_EQ(UnknownContainerMessage("out/a.wma"),
            "out/a.wma: no audio format has the extension .wma; name the output .wav, .flac, "
            ".ogg, .opus, .mp3, .aif or .aiff, or give --format");
}

TEST(SoundFile, LimitsSayWhatWouldDo) {
  const struct {
    Container container;
    int32_t rate, bits;
    const char* message;  // empty: allowed
  } rows[] = {
      {Container::Opus, 48000, 16, ""},
      {Container::Opus, 44100, 16,
       "Opus takes 8000, 12000, 16000, 24000 or 48000 Hz (not 44100 Hz); --rate 48000 would do"},
      {Container::Opus, 11025, 8,
       "Opus takes 8000, 12000, 16000, 24000 or 48000 Hz (not 11025 Hz); --rate 12000 would do"},
      {Container::Mp3, 22050, 8, ""},
      {Container::Mp3, 96000, 16,
       "MP3 takes 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100 or 48000 Hz (not 96000 "
       "Hz); --rate 48000 would do"},
      {Container::Flac, 96000, 24, ""},
      {Container::Flac, 44100, 32,
       "FLAC takes 8, 16 or 24-bit integer samples (not 32-bit); --bits 24 would do"},
      {Container::Ogg, 11025, 8, ""},
      {Container::Aiff, 192000, 32, ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(EncodingLimit(row.container, row.rate, row.bits).value_or(""), row.message)
        << DescriptionOf(row.container) << " " << row.rate;
}

// The program's WAV files go into the lossless containers sample for sample, and into the lossy
// ones at their length and rate.
TEST(SoundFile, EncodesWavFilesIntoEachContainer) {
  testing_support::TempDir dir;
  std::vector<int32_t> stereo16, mono8;
  for (int i = 0; i < 3000; ++i) {
    stereo16.push_back((i * 37) % 20000 - 10000);
    stereo16.push_back(-((i * 11) % 30000));
    mono8.push_back((i * 7) % 256);
  }
  testing_support::WriteWav(dir.File("s16.wav"), {22050, 16, 2}, stereo16);
  testing_support::WriteWav(dir.File("m8.wav"), {11025, 8, 1}, mono8);
  const struct {
    const char* source;
    Container container;
    const std::vector<int32_t>* exact;  // null: lossy
    int shift, offset;                  // how the file's samples read as 32-bit integers
  } rows[] = {
      {"s16.wav", Container::Flac, &stereo16, 16, 0}, {"m8.wav", Container::Flac, &mono8, 24, 128},
      {"s16.wav", Container::Aiff, &stereo16, 16, 0}, {"m8.wav", Container::Aiff, &mono8, 24, 128},
      {"s16.wav", Container::Ogg, nullptr, 0, 0},     {"m8.wav", Container::Mp3, nullptr, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.source) + " to " + std::string(DescriptionOf(row.container)));
    const AudioFormat in = testing_support::ReadWav(dir.File(row.source));
    const std::string target = dir.File("out" + std::string(ExtensionOf(row.container)));
    ASSERT_EQ(EncodeSoundFile(dir.File(row.source), target, row.container), std::nullopt);
    std::string error;
    SoundFile out = SoundFile::OpenRead(target, error);
    ASSERT_TRUE(out.IsOpen()) << error;
    EXPECT_EQ(out.Format().rate, in.rate);
    EXPECT_EQ(out.Format().channels, in.channels);
    std::vector<int32_t> samples(size_t(out.Frames() + 8192) * size_t(in.channels));
    samples.resize(out.Read(samples.data(), samples.size() / size_t(in.channels)) *
                   size_t(in.channels));
    if (!row.exact) {
      // The encoders' padding and delay may add a frame block, never lose the song.
      EXPECT_GE(samples.size(), 3000u * size_t(in.channels));
      EXPECT_LE(samples.size(), 3000u * size_t(in.channels) + 4608u);
      continue;
    }
    EXPECT_EQ(out.Format().bits, in.bits);
    ASSERT_EQ(samples.size(), row.exact->size());
    for (int32_t& s : samples) s = (s >> row.shift) + row.offset;
    EXPECT_EQ(samples, *row.exact);
  }
}

// The lossy encoders take a quality: a higher one never makes a smaller file, and the
// lossless containers take none.
TEST(SoundFile, QualityIsTheLossyEncodersOwn) {
  testing_support::TempDir dir;
  std::vector<int32_t> noise(2 * 48000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = int32_t((i * 7919 + i * i * 31) % 40000) - 20000;
  testing_support::WriteWav(dir.File("n.wav"), {48000, 16, 2}, noise);
  for (const Container c : {Container::Ogg, Container::Opus, Container::Mp3}) {
    std::vector<uintmax_t> sizes;
    for (const double q : {0.0, 5.0, 10.0}) {
      std::string name = std::to_string(int(q));
      name += ExtensionOf(c);
      const std::string target = dir.File(name);
      ASSERT_EQ(EncodeSoundFile(dir.File("n.wav"), target, c, q), std::nullopt) << DescriptionOf(c);
      sizes.push_back(std::filesystem::file_size(target));
    }
    EXPECT_LT(sizes[0], sizes[2]) << DescriptionOf(c);
    EXPECT_LE(sizes[1], sizes[2]) << DescriptionOf(c);
    EXPECT_EQ(QualityProblem(c, 10), std::nullopt);
  }
  EXPECT_EQ(QualityProblem(Container::Flac, 5).value_or(""), "--quality is for Ogg Vorbis, Opus and MP3, not FLAC");
  EXPECT_EQ(QualityProblem(Container::Ogg, 10.5).value_or(""), "--quality takes 0 to 10");
}

TEST(SoundFile, RefusalsLeaveNoFile) {
  testing_support::TempDir dir;
  testing_support::WriteWav(dir.File("s.wav"), {44100, 16, 1}, std::vector<int32_t>(100, 5));
  EXPECT_EQ(EncodeSoundFile(dir.File("s.wav"), dir.File("s.opus"), Container::Opus).value_or(""),
            "Opus takes 8000, 12000, 16000, 24000 or 48000 Hz (not 44100 Hz); --rate 48000 would do");
  EXPECT_FALSE(std::filesystem::exists(dir.File("s.opus")));
  const std::optional<std::string> unreadable =
      EncodeSoundFile(dir.File("none.wav"), dir.File("n.flac"), Container::Flac);
  ASSERT_TRUE(unreadable);
  EXPECT_EQ(unreadable->rfind(dir.File("none.wav") + ": ", 0), 0u) << *unreadable;
}

}  // namespace
