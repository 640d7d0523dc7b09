// The loudness measure on reference tones, the gain it chooses and the gain applied in place.
#include "tests/support/testfiles.h"
#include "tonemill/files/soundfile.h"
#include "tonemill/wave/loudness.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using testing_support::TempDir;
using tonemill::AudioFormat;

// Ten seconds of a 1 kHz sine at `dbfs`, in every channel; 8-bit values unsigned.
std::vector<int32_t> Sine(const AudioFormat& format, double dbfs) {
  const double amplitude = std::pow(10.0, dbfs / 20) * std::ldexp(1.0, format.bits - 1);
  std::vector<int32_t> samples;
  for (int i = 0; i < format.rate * 10; ++i) {
    const int32_t value = int32_t(std::lround(amplitude * std::sin(2 * M_PI * 1000.0 * i / format.rate)));
    for (int c = 0; c < format.channels; ++c) samples.push_back(format.bits == 8 ? value + 128 : value);
  }
  return samples;
}

TEST(Loudness, ReferenceSinesMeasureAtTheirKnownLevels) {
  TempDir dir;
  // A 1 kHz sine reads its level in each channel, less 3.01 LU for one channel alone; its true
  // peak is its amplitude.
  const struct {
    AudioFormat format;
    const char* name;
    double dbfs, lufs;
  } rows[] = {
      {{44100, 16, 2}, "own16.wav", -23, -23},
      {{22050, 8, 1}, "own8.wav", -10, -13.01},
      {{48000, 24, 2}, "wide.flac", -18, -18},  // through libsndfile
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = dir.File(row.name);
    const std::vector<int32_t> samples = Sine(row.format, row.dbfs);
    if (row.format.bits <= 16) {
      testing_support::WriteWav(path, row.format, samples);
    } else {
      std::string error;
      tonemill::SoundFile file =
          tonemill::SoundFile::OpenWrite(path, tonemill::Container::Flac, row.format, error);
      ASSERT_TRUE(file.IsOpen()) << error;
      std::vector<int32_t> top(samples);
      for (int32_t& s : top) s *= 256;
      ASSERT_TRUE(file.Write(top.data(), top.size() / 2));
      ASSERT_TRUE(file.Close(error)) << error;
    }
    tonemill::LoudnessFigures figures;
    ASSERT_FALSE(tonemill::MeasureLoudness(path, figures));
    EXPECT_NEAR(figures.integrated, row.lufs, 0.1);
    EXPECT_NEAR(figures.range, 0, 0.1);
    EXPECT_NEAR(figures.truePeak, row.dbfs, row.format.bits == 8 ? 0.3 : 0.1);
    EXPECT_EQ(figures.frames, row.format.rate * 10);
  }
  tonemill::LoudnessFigures figures;
  EXPECT_TRUE(tonemill::MeasureLoudness(dir.File("none.wav"), figures));
}

TEST(Loudness, GainReachesTheTargetUnlessTheCeilingForbids) {
  const double inf = INFINITY;
  const struct {
    double integrated, truePeak, target, ceiling, gain;
    bool limited, warns;
  } rows[] = {
      {-20, -8, -14, -1, 6, false, false},
      {-10, -2, -14, -1, -4, false, false},
      {-20, -3, -14, -1, 2, true, true},  // the largest gain that keeps the peak at -1 dBTP
      {-inf, -inf, -14, -1, 0, false, true},  // silence: nothing to measure, nothing applied
  };
  for (const auto& row : rows) {
    const tonemill::GainChoice choice =
        tonemill::ChooseGain({row.integrated, 0, row.truePeak, 1}, {row.target, row.ceiling});
    EXPECT_DOUBLE_EQ(choice.gainDb, row.gain) << row.integrated;
    EXPECT_EQ(choice.limited, row.limited) << row.integrated;
    EXPECT_EQ(!choice.warning.empty(), row.warns) << row.integrated;
  }
}

// The data bytes of a WAV file with a 44-byte header and the given format tag.
std::vector<uint8_t> WavBytes(uint16_t tag, uint16_t bits, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
  testing_support::PutLe32(out, uint32_t(36 + data.size()));
  for (char c : std::string("WAVEfmt ")) out.push_back(uint8_t(c));
  testing_support::PutLe32(out, 16);
  testing_support::PutLe16(out, tag);
  testing_support::PutLe16(out, 1);
  testing_support::PutLe32(out, 44100);
  testing_support::PutLe32(out, 44100u * bits / 8);
  testing_support::PutLe16(out, bits / 8);
  testing_support::PutLe16(out, bits);
  for (char c : std::string("data")) out.push_back(uint8_t(c));
  testing_support::PutLe32(out, uint32_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

TEST(Loudness, GainScalesEachWidthInPlaceAndClampsAtItsRange) {
  TempDir dir;
  const float half = 0.25f, twice = 0.5f;
  std::vector<uint8_t> floatIn(4), floatOut(4);
  std::memcpy(floatIn.data(), &half, 4);
  std::memcpy(floatOut.data(), &twice, 4);
  // Twice as loud: rounded, and clamped where it passes full scale.
  const struct {
    uint16_t tag, bits;
    std::vector<uint8_t> in, out;
  } rows[] = {
      {1, 8, {128, 138, 100, 250}, {128, 148, 72, 255}},
      {1, 16, {0x10, 0x00, 0x00, 0xC0, 0xFF, 0x7F}, {0x20, 0x00, 0x00, 0x80, 0xFF, 0x7F}},
      {1, 24, {0x01, 0x00, 0x00, 0x00, 0x00, 0xC0}, {0x02, 0x00, 0x00, 0x00, 0x00, 0x80}},
      {3, 32, floatIn, floatOut},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bits);
    const std::string path = dir.File("g.wav");
    testing_support::WriteBytes(path, WavBytes(row.tag, row.bits, row.in));
    ASSERT_FALSE(tonemill::ApplyGain(path, 20 * std::log10(2.0)));
    EXPECT_EQ(testing_support::ReadBytes(path), WavBytes(row.tag, row.bits, row.out));
  }
}

}  // namespace
