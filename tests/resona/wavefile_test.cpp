#include "resona/wavefile.h"
#include "tests/support/testfiles.h"
#include "tonemill/files/wavheader.h"

#include <gtest/gtest.h>

using namespace resona;
using namespace testing_support;

namespace {

// Builds a RIFF/WAVE file from its parts so that chunk layouts can be varied.
std::vector<uint8_t> Riff(uint16_t format, uint16_t channels, uint16_t bits, uint32_t fmtSize,
                          const std::vector<std::pair<std::string, std::vector<uint8_t>>>& chunks) {
  std::vector<uint8_t> b;
  for (char c : std::string("RIFFxxxxWAVEfmt ")) b.push_back(uint8_t(c));
  PutLe32(b, fmtSize);
  PutLe16(b, format);
  PutLe16(b, channels);
  PutLe32(b, 22050);
  PutLe32(b, 22050u * channels * (bits / 8));
  PutLe16(b, uint32_t(channels * (bits / 8)));
  PutLe16(b, bits);
  for (uint32_t i = 16; i < fmtSize + (fmtSize & 1); ++i) b.push_back(0xEE);
  for (const auto& [id, body] : chunks) {
    for (char c : id) b.push_back(uint8_t(c));
    PutLe32(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);  // pad byte of an odd chunk
  }
  return b;
}

TEST(ReadWaveInfo, FindsDataAfterOtherChunksIncludingOddSizedOnes) {
  TempDir dir;
  std::vector<uint8_t> data(10, 7);
  WriteBytes(dir.File("a.wav"),
             Riff(1, 2, 16, 16, {{"LIST", {1, 2, 3}}, {"junk", {}}, {"data", data}}));
  WaveInfo info = ReadWaveInfo(dir.File("a.wav").c_str());
  ASSERT_EQ(info.valid, 1);
  // header 36 + LIST (8 + 3 + pad) + junk 8 + data header 8
  EXPECT_EQ(info.dataOffset, 36 + 12 + 8 + 8);
  EXPECT_EQ(info.dataSize, 10);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.bitsPerSample, 16);
  EXPECT_EQ(info.sampleRate, 22050);
  EXPECT_EQ(info.frameCount, 2);
}

TEST(ReadWaveInfo, SkipsTheExtraBytesOfLongerFormatChunks) {
  TempDir dir;
  for (uint32_t fmtSize : {18u, 19u, 40u}) {
    WriteBytes(dir.File("a.wav"), Riff(1, 1, 8, fmtSize, {{"data", {128, 129, 130}}}));
    WaveInfo info = ReadWaveInfo(dir.File("a.wav").c_str());
    ASSERT_EQ(info.valid, 1) << fmtSize;
    EXPECT_EQ(info.dataOffset, int32_t(20 + fmtSize + (fmtSize & 1) + 8)) << fmtSize;
    EXPECT_EQ(info.frameCount, 3);
  }
}

TEST(ReadWaveInfo, RejectsWhatIsNotUsablePcm) {
  TempDir dir;
  std::string f = dir.File("a.wav");
  WriteBytes(f, Riff(3, 1, 16, 16, {{"data", {0, 0}}}));  // float format
  WaveInfo info = ReadWaveInfo(f.c_str());
  EXPECT_EQ(info.valid, 0);
  EXPECT_EQ(info.isPcmWave, 0);

  WriteBytes(f, Riff(1, 3, 16, 16, {{"data", {0, 0}}}));  // three channels
  info = ReadWaveInfo(f.c_str());
  EXPECT_EQ(info.valid, 0);
  EXPECT_EQ(info.isPcmWave, 1);
  EXPECT_EQ(info.dataFound, 0);

  WriteBytes(f, Riff(1, 1, 4, 16, {{"data", {0, 0}}}));  // fewer than 8 bits
  EXPECT_EQ(ReadWaveInfo(f.c_str()).valid, 0);

  WriteBytes(f, Riff(1, 1, 16, 14, {{"data", {0, 0}}}));  // format chunk too short
  EXPECT_EQ(ReadWaveInfo(f.c_str()).valid, 0);

  WriteBytes(f, Riff(1, 1, 16, 16, {{"LIST", {1, 2}}}));  // no data chunk
  EXPECT_EQ(ReadWaveInfo(f.c_str()).valid, 0);

  WriteBytes(f, std::vector<uint8_t>(30, 'R'));
  info = ReadWaveInfo(f.c_str());
  EXPECT_EQ(info.valid, 0);
  EXPECT_EQ(info.opened, 1);
  EXPECT_EQ(info.headerRead, 1);

  info = ReadWaveInfo(dir.File("missing.wav").c_str());
  EXPECT_EQ(info.opened, 0);
  EXPECT_EQ(ReadWaveInfo(dir.Path().c_str()).valid, 0);  // a directory
}

TEST(ReadWaveInfo, ChunkSizesThatWouldSeekBackwardsEndTheWalk) {
  TempDir dir;
  std::vector<uint8_t> b = Riff(1, 1, 16, 16, {});
  for (char c : std::string("LIST")) b.push_back(uint8_t(c));
  PutLe32(b, 0xFFFFFFF8u);  // -8 as a signed size
  WriteBytes(dir.File("a.wav"), b);
  EXPECT_EQ(ReadWaveInfo(dir.File("a.wav").c_str()).valid, 0);
}

TEST(WriteWaveHeader, TakesTheDataSizeFromTheFile) {
  TempDir dir;
  std::string f = dir.File("a.wav");
  WriteBytes(f, std::vector<uint8_t>(44 + 6, 0));
  WriteWaveHeader(f.c_str(), 8, 11025, 1);
  WavData w = ReadWav(f);
  EXPECT_EQ(w.dataSize, 6u);
  EXPECT_EQ(w.riffSize, 42u);
  EXPECT_EQ(w.bits, 8);
  EXPECT_EQ(w.channels, 1);
  std::vector<uint8_t> b = ReadBytes(f);
  EXPECT_EQ(b[28] | (b[29] << 8), 11025);  // bytes per second
  EXPECT_EQ(b[32], 1);                      // block align

  WriteBytes(f, std::vector<uint8_t>(44, 0));
  WriteWaveHeader(f.c_str(), 12, 44100, 3);  // anything but 8 bits is 16, anything but 1 is 2
  w = ReadWav(f);
  EXPECT_EQ(w.dataSize, 0u);
  EXPECT_EQ(w.riffSize, 36u);
  EXPECT_EQ(w.bits, 16);
  EXPECT_EQ(w.channels, 2);

  WriteBytes(f, std::vector<uint8_t>(10, 0));
  WriteWaveHeader(f.c_str(), 16, 44100, 2);
  EXPECT_EQ(ReadBytes(f).size(), 44u);
  EXPECT_EQ(ReadWav(f).dataSize, 0u);
}

// The test files come from the program's header builder, so it is held to the library's: both
// write one canonical header, with the same reading of odd depths and channel counts.
TEST(WriteWaveHeader, AgreesWithTheProgramsCanonicalHeader) {
  TempDir dir;
  const std::string f = dir.File("a.wav");
  const tonemill::AudioFormat formats[] = {
      {11025, 8, 1}, {22050, 8, 2}, {44100, 16, 1}, {44100, 16, 2}, {48000, 12, 3}};
  for (const tonemill::AudioFormat& format : formats) {
    WriteBytes(f, std::vector<uint8_t>(44 + 6, 0));
    WriteWaveHeader(f.c_str(), format.bits, format.rate, format.channels);
    std::vector<uint8_t> expected = tonemill::CanonicalWavHeader(format, 6);
    expected.resize(44 + 6, 0);
    EXPECT_EQ(ReadBytes(f), expected) << format.rate << " Hz " << format.bits << " bits "
                                      << format.channels << " channels";
  }
}

TEST(PadWaveFile, AppendsOneSilenceByteToOddFiles) {
  TempDir dir;
  std::string f = dir.File("a.wav");
  WriteBytes(f, std::vector<uint8_t>(45, 1));
  PadWaveFile(f.c_str(), 8);
  std::vector<uint8_t> b = ReadBytes(f);
  ASSERT_EQ(b.size(), 46u);
  EXPECT_EQ(b.back(), 128);
  PadWaveFile(f.c_str(), 8);
  EXPECT_EQ(ReadBytes(f).size(), 46u);
  WriteBytes(f, std::vector<uint8_t>(47, 1));
  PadWaveFile(f.c_str(), 16);
  EXPECT_EQ(ReadBytes(f).back(), 0);
}

}  // namespace
