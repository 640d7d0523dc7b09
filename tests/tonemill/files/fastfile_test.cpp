// TFastFile's window, the WAV header reader and the processing routines built on them.
#include "tonemill/files/fastfile.h"
#include "tonemill/files/fileops.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/files/wavprocessing.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

TEST(FastFile, ReadsAcrossWindowsAndStopsAtTheEnd) {
  TempDir dir;
  std::vector<uint8_t> bytes(40000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
  WriteBytes(dir.File("f"), bytes);
  TFastFile f(dir.File("f"), true, false);
  ASSERT_TRUE(f.Opened());
  for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(f.ReadByte(), bytes[i]);
  EXPECT_TRUE(f.AtEnd);  // right after the last byte
  EXPECT_EQ(f.ReadByte(), 0);
  EXPECT_EQ(f.ReadByte(), 0);
  EXPECT_EQ(f.Position, 40000);
  f.SeekTo(16383);
  EXPECT_FALSE(f.AtEnd);
  EXPECT_EQ(f.ReadByte(), bytes[16383]);
  EXPECT_EQ(f.ReadByte(), bytes[16384]);
  f.SeekTo(20000);
  EXPECT_EQ(f.ReadWord(), int16_t(bytes[20000] | bytes[20001] << 8));
  f.SeekTo(50000);
  EXPECT_TRUE(f.AtEnd);
  EXPECT_FALSE(TFastFile(dir.File("none"), true, false).Opened());
}

TEST(FastFile, WritingPastTheEndExtendsTheFile) {
  TempDir dir;
  WriteBytes(dir.File("f"), {1, 2, 3});
  {
    TFastFile f(dir.File("f"), false, false);
    f.SeekTo(20000);
    EXPECT_TRUE(f.AtEnd);
    f.WriteByte(9);
    EXPECT_EQ(f.Size(), 20001);
    f.SeekTo(1);
    f.WriteWord(-2);
    EXPECT_EQ(f.Position, 3);  // the word went to the even offset 0
  }
  std::vector<uint8_t> b = ReadBytes(dir.File("f"));
  ASSERT_EQ(b.size(), 20001u);
  EXPECT_EQ(b[0], 0xFE);
  EXPECT_EQ(b[1], 0xFF);
  EXPECT_EQ(b[19999], 0);
  EXPECT_EQ(b[20000], 9);
}

std::vector<uint8_t> WavBytes(std::vector<uint8_t> format, std::vector<uint8_t> middle,
                              uint32_t dataLength, size_t dataBytes) {
  std::vector<uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  testing_support::PutLe32(b, uint32_t(format.size()));
  b.insert(b.end(), format.begin(), format.end());
  b.insert(b.end(), middle.begin(), middle.end());
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  testing_support::PutLe32(b, dataLength);
  b.resize(b.size() + dataBytes, 0x55);
  return b;
}

std::vector<uint8_t> Pcm(int channels, uint32_t rate, int bits, size_t extra = 0) {
  std::vector<uint8_t> f;
  testing_support::PutLe16(f, 1);
  testing_support::PutLe16(f, uint32_t(channels));
  testing_support::PutLe32(f, rate);
  testing_support::PutLe32(f, rate * 2);
  testing_support::PutLe16(f, 2);
  testing_support::PutLe16(f, uint32_t(bits));
  f.resize(f.size() + extra, 0);
  return f;
}

TEST(WavHeader, WalksChunksAndReportsProblemsInOrder) {
  TempDir dir;
  const std::string name = dir.File("w.wav");
  auto check = [&](const std::vector<uint8_t>& bytes) {
    WriteBytes(name, bytes);
    return WavInputProblem(TWAVheader(name), name);
  };
  EXPECT_EQ(check(std::vector<uint8_t>(36, 0)), "Premature end of WAV file " + name);
  // An empty data chunk at the end is a whole file of no frames; one cut inside its header is not.
  std::vector<uint8_t> empty = WavBytes(Pcm(1, 22050, 16), {}, 0, 0);
  EXPECT_EQ(check(empty), "");
  empty.resize(empty.size() - 2);
  EXPECT_EQ(check(empty), "Premature end of WAV file " + name);
  // An 18-byte format chunk and an odd "LIST" chunk with its pad byte before the data.
  WriteBytes(name, WavBytes(Pcm(2, 44100, 16, 2), {'L', 'I', 'S', 'T', 3, 0, 0, 0, 1, 2, 3, 0}, 8, 8));
  TWAVheader h(name);
  ASSERT_TRUE(h.Valid);
  EXPECT_EQ(h.DataStart, 12 + 8 + 18 + 12 + 8);
  EXPECT_EQ(h.DataSize, 8);
  EXPECT_EQ(h.Channels, 2);
  std::vector<uint8_t> adpcm = Pcm(1, 22050, 16);
  adpcm[0] = 2;
  EXPECT_EQ(check(WavBytes(adpcm, {}, 2, 2)), "Not a WAV file: " + name);
  EXPECT_EQ(check(WavBytes(Pcm(3, 22050, 16), {}, 2, 2)), "Unsupported WAV format in " + name);
  EXPECT_EQ(check(WavBytes(Pcm(1, 48000, 16), {}, 2, 2)),
            "Unsupported sampling rate (48000 Hz) in WAV file " + name);
  EXPECT_EQ(check(WavBytes(Pcm(1, 11025, 24), {}, 3, 3)),
            "Unsupported sample size (24 bits) in WAV file " + name);
  // A chunk length that the old 32-bit arithmetic read as negative no longer loops.
  EXPECT_EQ(check(WavBytes(Pcm(1, 11025, 16), {'J', 'U', 'N', 'K', 0xFF, 0xFF, 0xFF, 0xFF}, 2, 2)),
            "Premature end of WAV file " + name);
  EXPECT_EQ(check(WavBytes(Pcm(1, 11025, 8), {}, 2, 2)), "");
  EXPECT_EQ(WavInputProblem(TWAVheader(dir.File("none")), "none"), "Can't find WAV file none");
}

TEST(WavProcessing, HeaderPaddingCopyAndFill) {
  TempDir dir;
  {
    TFastFile f(dir.File("h"), false, true);
    f.WriteByte(1);
    WriteWavHeader(f, 8, 1, 11025);
    PadToEven(f, 8);  // 44 bytes: even, nothing added
    f.SeekTo(44);
    f.WriteByte(7);
    PadToEven(f, 8);
    WriteWavHeader(f, 8, 1, 11025);
  }
  testing_support::WavData w = testing_support::ReadWav(dir.File("h"));
  EXPECT_EQ(w.dataSize, 2u);
  EXPECT_EQ(w.riffSize, 38u);
  EXPECT_EQ(w.samples, (std::vector<int32_t>{7, 128}));
  {
    TFastFile shortFile(dir.File("s"), false, true);
    WriteWavHeader(shortFile, 16, 2, 44100);
  }
  EXPECT_EQ(testing_support::ReadWav(dir.File("s")).riffSize, 36u);

  std::vector<uint8_t> source(50000);
  for (size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i);
  WriteBytes(dir.File("a"), source);
  WriteBytes(dir.File("b"), {});
  {
    PlainFile a(dir.File("a"), false), b(dir.File("b"), true);
    Progress progress;
    progress.total = 1000000;
    CopyRecords(a, b, progress, 2, 10, 20000, 0);
    EXPECT_EQ(progress.done, 20000);
    FillRecords(b, progress, 0xAA, 2, 20000, 10);
    Progress cancelled;
    cancelled.total = 4;
    cancelled.Cancel();
    FillRecords(b, cancelled, 0xBB, 1, 0, 100);
  }
  std::vector<uint8_t> b = ReadBytes(dir.File("b"));
  ASSERT_EQ(b.size(), 40020u);
  EXPECT_EQ(b[0], 20);
  EXPECT_EQ(b[39999], uint8_t(40019));
  EXPECT_EQ(b[40019], 0xAA);
}

TEST(FileOperations, CopyMoveDeleteAndTheirMessages) {
  TempDir dir;
  WriteBytes(dir.File("a.wav"), std::vector<uint8_t>(20000, 3));
  std::filesystem::create_directory(dir.File("sub"));
  CopyFileTo(dir.File("a.wav"), dir.File("sub"));
  EXPECT_EQ(ReadBytes(dir.File("sub/a.wav")).size(), 20000u);
  MoveFileTo(dir.File("a.wav"), dir.File("sub/../b.wav"));
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.wav")));
  std::filesystem::create_directory(dir.File("other"));
  MoveFileTo(dir.File("b.wav"), dir.File("other"));  // onto a directory: copy and delete
  EXPECT_TRUE(std::filesystem::exists(dir.File("other/b.wav")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.wav")));
  EXPECT_TRUE(HasAttributes(dir.File("other"), faDirectory));
  EXPECT_FALSE(HasAttributes(dir.File("other/b.wav"), faReadOnly));
  EXPECT_TRUE(DeleteFileByName(dir.File("other/b.wav")));
  EXPECT_FALSE(DeleteFileByName(dir.File("other/b.wav")));
  try {
    CopyFileTo(dir.File("none"), dir.File("x"));
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.File("none"));
  }
  EXPECT_THROW(CopyFileTo(dir.File("sub/a.wav"), dir.File("missing/x")), EFCreateError);
}

}  // namespace
}  // namespace tonemill
