// The 24-bit and float mixes against the 16-bit one, on threads, and at rates of their own.
#include "render_harness.h"
#include "resona/status.h"
#include "song_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace resona;
using namespace testing_support;

namespace {

constexpr int32_t kFloat = 32;

class WideMix : public ::testing::Test {
 protected:
  void SetUp() override { WriteShotAndLoop(f); }

  // The file's bytes; its samples as numbers (24-bit and float at the 24-bit scale).
  std::vector<uint8_t> Render(const std::string& text, RenderFormat format, int32_t threads = 1,
                              int64_t memory = kDefaultMemoryBytes) {
    f.threads = threads;
    f.memoryBytes = memory;
    EXPECT_EQ(f.Render(text, format).status, kOk);
    return ReadBytes(f.wav);
  }
  std::vector<double> Samples(const std::string& text, RenderFormat format) {
    const std::vector<uint8_t> bytes = Render(text, format);
    std::vector<double> out;
    for (size_t at = 44; at + format.bits / 8 <= bytes.size(); at += size_t(format.bits / 8)) {
      const uint8_t* b = bytes.data() + at;
      if (format.bits == 16) {
        out.push_back(int16_t(b[0] | b[1] << 8));
      } else if (format.bits == 24) {
        out.push_back(int32_t(uint32_t(b[0]) << 8 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 24) >> 8);
      } else {
        float v;
        std::memcpy(&v, b, 4);
        out.push_back(double(v) * 0x1p23);
      }
    }
    return out;
  }
  SongFixture f;
};

// A looped note with vibrato, a bend and a falling sustain: interpolated and direct values,
// every envelope phase.
Inst Looped() { return LoopedInstrument(90, 40, 300, "-20.00"); }

struct Case {
  const char* what;
  std::string text;
  int sounding;  // notes sounding at once at most: each may truncate one step apart
};

std::vector<Case> QuietSongs() {
  Inst shot;
  shot.volume = 100;
  shot.releaseSlope = "-100.00";
  return {
      {"one note after another",
       Song(900, Block(shot, {{60, {"0 ON 90", "15 OFF 64"}}, {65, {"100 ON 70", "110 OFF 64"}}}) +
                     Block(Looped(), {{60, {"200 ON 100", "300 MOD 50", "500 BND 3000", "700 OFF 64"}}})),
       1},
      {"a chord of three",
       Song(1200, Block(Looped(), {{60, {"0 ON 60", "900 OFF 64"}},
                                   {64, {"0 ON 60", "500 PAN 20", "900 OFF 64"}},
                                   {67, {"100 ON 60", "300 VOL 40", "1000 OFF 64"}}})),
       3},
  };
}

TEST_F(WideMix, TheWideMixesFollowTheSixteenBitOneWhereNothingSaturates) {
  for (int32_t channels : {1, 2})
    for (const Case& c : QuietSongs()) {
      SCOPED_TRACE(testing::Message() << c.what << ", " << channels << " channels");
      const std::vector<double> s16 = Samples(c.text, {16, channels, 44100});
      const std::vector<double> s24 = Samples(c.text, {24, channels, 44100});
      const std::vector<double> sf = Samples(c.text, {kFloat, channels, 44100});
      ASSERT_EQ(s24.size(), s16.size());
      ASSERT_EQ(sf.size(), s16.size());
      double loudest = 0;
      for (size_t i = 0; i < s16.size(); ++i) {
        ASSERT_LT(std::fabs(s16[i]), 32767) << i;  // the song is quiet enough
        ASSERT_LT(std::fabs(s24[i] / 256 - s16[i]), c.sounding) << i;
        ASSERT_EQ(sf[i], s24[i]) << i;
        loudest = std::max(loudest, std::fabs(s16[i]));
      }
      EXPECT_GT(loudest, 5000);  // and loud enough to mean something
    }
}

TEST_F(WideMix, FloatNeverClipsWhereTwentyFourBitsSaturate) {
  const std::string text = GeneratedSong(1, 1500, 4, 30);
  const std::vector<double> s24 = Samples(text, {24, 2, 44100});
  const std::vector<double> sf = Samples(text, {kFloat, 2, 44100});
  ASSERT_EQ(sf.size(), s24.size());
  size_t saturated = 0, beyond = 0;
  for (size_t i = 0; i < s24.size(); ++i) {
    saturated += s24[i] == 8388607 || s24[i] == -8388608;
    beyond += std::fabs(sf[i]) > 8388608;
  }
  EXPECT_GT(saturated, 100u);
  EXPECT_GT(beyond, 100u);
}

TEST_F(WideMix, EveryThreadCountAndTheStreamedFileGiveTheBytesOfOneThread) {
  std::string text = GeneratedSong(5, 8000, 4, 40);
  text.append(QuietSongs()[1].text.substr(QuietSongs()[1].text.find('{')));
  for (int32_t bits : {24, kFloat})
    for (int32_t channels : {1, 2}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channels");
      const RenderFormat format{bits, channels, 44100};
      const std::vector<uint8_t> one = Render(text, format);
      EXPECT_EQ(Render(text, format, 1, 0), one);
      for (int32_t threads : {2, 3}) EXPECT_EQ(Render(text, format, threads), one) << threads;
    }
}

TEST_F(WideMix, AnyRateRendersTheSongsLengthAtThatRate) {
  const std::string text = Song(1500, Block(Looped(), {{60, {"0 ON 100", "1200 OFF 64"}}}));
  struct Row {
    int32_t bits, channels, rate, tag;
  };
  for (const Row& r : {Row{16, 2, 48000, 1}, Row{24, 2, 96000, 1}, Row{kFloat, 1, 48000, 3},
                       Row{kFloat, 2, 96000, 3}, Row{24, 1, 8000, 1}, Row{16, 2, 192000, 1}}) {
    SCOPED_TRACE(testing::Message() << r.bits << "/" << r.channels << "/" << r.rate);
    const std::vector<uint8_t> bytes = Render(text, {r.bits, r.channels, r.rate}, 2);
    const int32_t frameBytes = r.channels * r.bits / 8;
    ASSERT_EQ(bytes.size(), 44 + size_t(1500) * size_t(r.rate) / 1000 * size_t(frameBytes));
    auto le = [&](size_t at, int n) {
      uint32_t v = 0;
      for (int i = n - 1; i >= 0; --i) v = v << 8 | bytes[at + size_t(i)];
      return v;
    };
    EXPECT_EQ(le(20, 2), uint32_t(r.tag));
    EXPECT_EQ(le(22, 2), uint32_t(r.channels));
    EXPECT_EQ(le(24, 4), uint32_t(r.rate));
    EXPECT_EQ(le(28, 4), uint32_t(r.rate * frameBytes));
    EXPECT_EQ(le(32, 2), uint32_t(frameBytes));
    EXPECT_EQ(le(34, 2), uint32_t(r.bits));
    EXPECT_EQ(le(40, 4), uint32_t(bytes.size() - 44));
    // The note sounds: not all silence.
    EXPECT_NE(std::count(bytes.begin() + 44, bytes.end(), 0), std::ptrdiff_t(bytes.size() - 44));
  }
}

}  // namespace
