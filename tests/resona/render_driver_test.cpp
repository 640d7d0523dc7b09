#include "render_harness.h"
#include "resona/status.h"
#include "resona/wavefile.h"
#include "song_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

using namespace resona;
using namespace testing_support;

namespace {

std::vector<int32_t> Ramp(int frames, int step = 16) {
  std::vector<int32_t> v(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) v[size_t(i)] = (i * step) % 30000;
  return v;
}

class Driver : public ::testing::Test {
 protected:
  void SetUp() override { WriteSample(f, "S", {44100, 16, 1}, Ramp(1000)); }
  bool OutputExists() const { return std::filesystem::exists(f.wav); }
  SongFixture f;
};

TEST_F(Driver, DurationMustBeAPositiveNumberAndNothingIsCreatedOtherwise) {
  for (const char* text : {"", "abc\r\n", "0\r\n", "-5\r\n", "\r\n\r\n"}) {
    RenderRun run = f.Render(text);
    EXPECT_EQ(run.status, kIllegalDuration) << text;
    EXPECT_EQ(run.line, 1);
    EXPECT_FALSE(OutputExists());
  }
}

TEST_F(Driver, UnopenableListAndUncreatableOutputAreReportedBeforeAnyMixing) {
  RenderRun run = f.RenderFile(f.dir.File("missing.lst"), f.wav, {});
  EXPECT_EQ(run.status, kCantOpenList);
  EXPECT_FALSE(OutputExists());
  WriteText(f.lst, "100\r\n");
  run = f.RenderFile(f.lst, f.dir.File("no/such/dir/out.wav"), {});
  EXPECT_EQ(run.status, kCantCreateOutput);
  run = f.RenderFile(f.dir.Path().string(), f.wav, {});  // a directory as the list
  EXPECT_EQ(run.status, kCantOpenList);
}

TEST_F(Driver, SongsBeyondWhatAWavHeaderHoldsAreRefusedBeforeWriting) {
  // trunc(48695 × 44.099998) × 4 bytes reaches 2^31 only for durations of about 3.4 hours.
  EXPECT_EQ(f.Render("12200000\r\n").status, kSongTooLong);
  EXPECT_FALSE(OutputExists());
  EXPECT_EQ(f.Render("1000\r\n", {16, 2, 500}).status, kIllegalOutputFormat);
}

TEST_F(Driver, SilenceIsTheTruncatedLengthAndTheHeaderMatches) {
  RenderRun run = f.Render("1000\r\n");
  EXPECT_EQ(run.status, kOk);
  EXPECT_EQ(run.line, 1);
  EXPECT_EQ(run.lines, 1);
  WavData w = ReadWav(f.wav);
  EXPECT_EQ(w.dataSize, 44099u * 4);  // 1000 × 44.099998 truncates to 44099 frames
  EXPECT_EQ(w.samples.size(), 44099u * 2);
  EXPECT_EQ(w.riffSize, 44099u * 4 + 36);

  run = f.Render("3\r\n", {8, 1, 11025});
  EXPECT_EQ(run.status, kOk);
  w = ReadWav(f.wav);
  EXPECT_EQ(w.dataSize, 33u);  // odd, and no pad byte
  EXPECT_EQ(ReadBytes(f.wav).size(), 44u + 33u);
  for (int32_t s : w.samples) EXPECT_EQ(s, 128);
}

TEST_F(Driver, StructureErrors) {
  Inst s;
  const std::string inst = s.Line() + "\r\n";
  const struct {
    std::string text;
    int32_t status;
  } cases[] = {
      {"100 \r\n{\r\n" + inst + "}\r\n", kBraceExpected},  // a blank after the duration
      {"100\r\nx\r\n", kBraceExpected},
      {"100\r\n{\r\n", kUnexpectedEnd},
      {"100\r\n{\r\n" + inst, kUnexpectedEnd},
      {"100\r\n{\r\n" + inst + "[\r\n", kUnexpectedEnd},
      {"100\r\n{\r\n" + inst + "[\r\n60\r\n", kUnexpectedEnd},
      {"100\r\n{\r\n" + inst + "[\r\n60\r\n0 ON 100\r\n", kUnexpectedEnd},
      {"100\r\n{\r\n" + inst + "[\r\n60\r\n]\r\n", kUnexpectedEnd},  // no closing "}"
      {"100\r\n{\r\n" + inst + "x\r\n", kBracketExpected},
      {"100\r\n{\r\n" + inst + "[\r\n60\r\n]\r\nx\r\n", kBracketExpected},
      {"100\r\n{\r\n" + inst + "[\r\n999\r\n]\r\n}\r\n", kIllegalNote},
      {"100\r\n{\r\n" + inst + "[\r\n60\r\n0 NOTE 5\r\n]\r\n}\r\n", kIllegalEventCode},
      {"100\r\n{\r\n" + inst + "[\r\n60\r\n-1 ON 5\r\n]\r\n}\r\n", kIllegalEventTime},
      {"100\r\n{\r\n" + inst + "[\r\n145\r\n]\r\n}\r\n", kNoteTooFar},
  };
  for (const auto& c : cases) EXPECT_EQ(f.Render(c.text).status, c.status) << c.text;
}

TEST_F(Driver, ProgressFieldsTellWhereTheErrorIs) {
  Inst bad;
  bad.name = "BAD";
  bad.base = 55;
  std::string text = Song(100, Block(Inst{}, {{62, {"0 ON 100", "50 OFF 64"}}}) +
                                   Block(bad, {{57, {"0 ON 100", "10 BOGUS 1"}}}));
  WriteSample(f, "BAD", {44100, 16, 1}, Ramp(1000));
  RenderRun run = f.Render(text);
  EXPECT_EQ(run.status, kIllegalEventCode);
  EXPECT_EQ(run.line, 15);  // the BOGUS line: duration, 8 lines of the first block, then 6
  EXPECT_EQ(run.lines, 17);
  EXPECT_EQ(run.instrument, "BAD");
  EXPECT_EQ(run.baseNote, 55);
  EXPECT_EQ(run.currentNote, 57);

  run = f.Render("100\r\n");
  EXPECT_EQ(run.instrument, "");
  EXPECT_EQ(run.baseNote, 64);
  EXPECT_EQ(run.currentNote, 64);

  // The seven-octave check comes after the note reached the progress fields.
  run = f.Render(Song(100, Block(Inst{}, {{-30, {}}})));
  EXPECT_EQ(run.status, kNoteTooFar);
  EXPECT_EQ(run.currentNote, -30);
}

TEST_F(Driver, SampleFilesAreFoundIgnoringCaseButNeverOutsideTheirDirectory) {
  Inst lower;
  lower.name = "Lower";
  WriteWav(f.dir.File("lower.wav"), {44100, 16, 1}, Ramp(100));
  EXPECT_EQ(f.Render(Song(50, Block(lower, {}))).status, kOk);

  std::filesystem::create_directory(f.dir.Path() / "sub");
  WriteWav(f.dir.File("sub/X.WAV"), {44100, 16, 1}, Ramp(100));
  for (const char* name : {"sub/X", "sub\\X", "../S", "..", "MISSING"}) {
    Inst i;
    i.name = name;
    RenderRun run = f.Render(Song(50, Block(i, {})));
    EXPECT_EQ(run.status, kSampleReadFailure) << name;
    EXPECT_EQ(run.instrument, name) << name;  // the name was shown before the load failed
  }
  // 24-bit data would play as noise; it is refused.
  WriteBytes(f.dir.File("W24.WAV"), {});
  std::vector<uint8_t> b = ReadBytes(f.dir.File("S.WAV"));
  b[34] = 24;
  WriteBytes(f.dir.File("W24.WAV"), b);
  Inst w24;
  w24.name = "W24";
  EXPECT_EQ(f.Render(Song(50, Block(w24, {}))).status, kSampleReadFailure);
}

TEST_F(Driver, HugeSampleRangesAreRefusedAsOutOfMemory) {
  Inst huge;
  huge.end = 200000000;
  RenderRun run = f.Render(Song(100, Block(huge, {})));
  EXPECT_EQ(run.status, kOutOfMemory);
  EXPECT_EQ(ReadWav(f.wav).dataSize, 4409u * 4);  // the header of the silence stays
}

// A full disk, simulated with the process's file size limit.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int);
};

TEST_F(Driver, AFullDiskIsReportedDuringTheSilenceAndWhileNotesExtendTheFile) {
  {
    FileSizeLimit limit(100000);
    EXPECT_EQ(f.Render("10000\r\n").status, kDiskFull);
  }
  EXPECT_EQ(ReadWav(f.wav).dataSize, 0u);  // the header of the empty file stays
  EXPECT_GT(ReadBytes(f.wav).size(), 44u);
  std::string text = Song(10, Block(Inst{}, {{60, {"5 ON 100", "15 OFF 64"}}}));
  {
    FileSizeLimit limit(44 + 441 * 4 + 100);
    EXPECT_EQ(f.Render(text).status, kDiskFull);
  }
}

TEST_F(Driver, BlankLinesAreSkippedAnywhereAndDoNotCount) {
  Inst s;
  std::string plain = Song(200, Block(s, {{60, {"0 ON 100", "100 OFF 64"}}}));
  ASSERT_EQ(f.Render(plain).status, kOk);
  std::vector<uint8_t> expected = ReadBytes(f.wav);
  std::string spaced = "\r\n200\r\n\r\n\n{ with a comment\r\n\r\n" + s.Line() +
                       "\r\n\r\n[\r\n\r\n60\r\n\r\n0 ON 100\r\n\r\n100 OFF 64\r\n]\r\n\r\n}\r\n\r\n";
  RenderRun run = f.Render(spaced);
  EXPECT_EQ(run.status, kOk);
  EXPECT_EQ(run.lines, 9);
  EXPECT_EQ(run.line, 9);
  EXPECT_EQ(ReadBytes(f.wav), expected);
}

TEST_F(Driver, EmptyBlocksRenderNothingButStillLoadTheSample) {
  ASSERT_EQ(f.Render(Song(100, Block(Inst{}, {{60, {}}}))).status, kOk);
  for (int32_t s : ReadWav(f.wav).samples) ASSERT_EQ(s, 0);
  Inst missing;
  missing.name = "NONE";
  EXPECT_EQ(f.Render(Song(100, Block(missing, {}))).status, kSampleReadFailure);
}

TEST_F(Driver, AnErrorLeavesWhatWasMixedAndTheSilenceHeader) {
  Inst s;
  Inst bad;
  bad.volume = 0;
  std::string text = Song(100, Block(s, {{60, {"0 ON 100", "10 OFF 64"}}}) +
                                   Block(s, {{60, {"40 ON 100", "50 OFF 64"}}}) + Block(bad, {}));
  EXPECT_EQ(f.Render(text).status, kIllegalBaseVolume);
  WavData w = ReadWav(f.wav);
  EXPECT_EQ(w.dataSize, 4409u * 4);
  EXPECT_NE(w.samples[2 * 10], 0);         // first note
  EXPECT_NE(w.samples[2 * (1764 + 10)], 0);  // second note, at 40 ms
}

TEST_F(Driver, NotesPastTheEndExtendTheFileAndTheHeaderFollows) {
  std::string text = Song(10, Block(Inst{}, {{60, {"5 ON 100", "15 OFF 64"}}}));
  ASSERT_EQ(f.Render(text).status, kOk);
  WavData w = ReadWav(f.wav);
  // 441 frames of silence; the note starts at frame 220 and plays its 1000 frames.
  EXPECT_EQ(w.dataSize, (220u + 1000u) * 4);
  EXPECT_EQ(w.samples.size(), (220u + 1000u) * 2);

  // A note that starts after the end: the gap is silence, also in 8 bits.
  text = Song(10, Block(Inst{}, {{60, {"30 ON 100", "31 OFF 64"}}}));
  ASSERT_EQ(f.Render(text, {8, 1, 11025}).status, kOk);
  w = ReadWav(f.wav);
  for (size_t i = 0; i < 330; ++i) ASSERT_EQ(w.samples[i], 128) << i;
}

TEST_F(Driver, NothingIsWrittenPastTheLimitOfTheHeader) {
  // With the limit lowered to 4000 bytes, a note running past it is cut there.
  std::string text = Song(10, Block(Inst{}, {{60, {"5 ON 100", "100 OFF 64"}}}));
  ASSERT_EQ(f.Render(text, {}, {}, 4000).status, kOk);
  EXPECT_EQ(ReadWav(f.wav).dataSize, 4000u);
}

TEST_F(Driver, EventsBeforeTheFirstOnOfABlockAreIgnored) {
  std::string with = Song(100, Block(Inst{}, {{60, {"0 ON 100", "50 OFF 64"}},
                                              {62, {"0 VOL 10", "5 OFF 64", "10 ON 100", "60 OFF 64"}}}));
  std::string without =
      Song(100, Block(Inst{}, {{60, {"0 ON 100", "50 OFF 64"}}, {62, {"10 ON 100", "60 OFF 64"}}}));
  ASSERT_EQ(f.Render(without).status, kOk);
  std::vector<uint8_t> expected = ReadBytes(f.wav);
  ASSERT_EQ(f.Render(with).status, kOk);
  EXPECT_EQ(ReadBytes(f.wav), expected);
}

// Cancel: the caller pushes `line` up to `lines` from its pump.
TEST_F(Driver, CancelDuringTheSilenceLeavesAShorterValidFile) {
  auto cancelAtThirdBlock = [](int pump, int32_t& line, int32_t& lines) {
    if (pump == 4) line = lines;  // pumps: start, duration, blocks 1, 2, 3...
  };
  RenderRun run = f.Render(Song(10000, Block(Inst{}, {{60, {"0 ON 100", "9 OFF 64"}}})), {},
                           cancelAtThirdBlock);
  EXPECT_EQ(run.status, kOk);
  EXPECT_EQ(run.line, run.lines);
  WavData w = ReadWav(f.wav);
  EXPECT_EQ(w.dataSize, 3u * 176400u * 2u);
  EXPECT_EQ(ReadBytes(f.wav).size(), 44u + w.dataSize);
}

TEST_F(Driver, CancelAtTheEndOfANoteBlockStopsThereWithLineEqualToLines) {
  std::string text = Song(100, Block(Inst{}, {{60, {"0 ON 100", "10 OFF 64"}},
                                              {62, {"60 ON 100", "70 OFF 64"}}}));
  // Lines: 1 duration, 2 "{", 3 inst, 4 "[", 5 note, 6 ON, 7 OFF, 8 "]", 9 "[", ...
  int cancelPump = -1;
  auto cancelAtBracket = [&](int pump, int32_t& line, int32_t& lines) {
    if (line == 8 && cancelPump < 0) {
      cancelPump = pump;
      line = lines;
    }
  };
  RenderRun run = f.Render(text, {}, cancelAtBracket);
  EXPECT_EQ(run.status, kOk);
  EXPECT_EQ(run.line, run.lines);
  WavData w = ReadWav(f.wav);
  EXPECT_NE(w.samples[2 * 10], 0);
  EXPECT_EQ(w.samples[2 * (2646 + 10)], 0);  // the second note was not mixed
}

TEST_F(Driver, CancelWhileABlockOpensReadsTheFollowingLinesThenStops) {
  std::string text = Song(100, Block(Inst{}, {{60, {"0 ON 100", "10 OFF 64", "20 ON 90", "30 OFF 64"}}}));
  auto cancelAtBrace = [](int, int32_t& line, int32_t& lines) {
    if (line == 2) line = lines;
  };
  RenderRun run = f.Render(text, {}, cancelAtBrace);
  EXPECT_EQ(run.status, kOk);
  // The instrument line, "[", the note line and one event line still counted.
  EXPECT_EQ(run.line, run.lines + 4);
  EXPECT_EQ(run.currentNote, 60);
}

}  // namespace

namespace {

// Whatever the moment of a cancel, the file left behind is a WAV whose header matches its size.
TEST_F(Driver, ACancelAtAnyPumpLeavesAHeaderThatMatchesTheFile) {
  Inst looped;
  looped.loopStart = 100;
  looped.loopEnd = 899;
  std::string text = Song(2500, Block(looped, {{60, {"0 ON 100", "700 MOD 90", "2000 OFF 64"}},
                                               {72, {"100 ON 90", "200 BND 3000", "2700 OFF 64"}}}) +
                                    Block(Inst{}, {{55, {"50 ON 100", "60 OFF 64"}}}));
  const int pumps = f.Render(text).pumps;
  ASSERT_GT(pumps, 20);
  for (int cancelAt = 0; cancelAt < pumps; ++cancelAt) {
    RenderRun run = f.Render(text, {}, [&](int pump, int32_t& line, int32_t& lines) {
      if (pump == cancelAt) line = lines;
    });
    ASSERT_EQ(run.status, kOk) << cancelAt;
    const WaveInfo info = ReadWaveInfo(f.wav.c_str());
    ASSERT_EQ(info.valid, 1) << cancelAt;
    ASSERT_EQ(int64_t(info.dataSize) + 44, int64_t(std::filesystem::file_size(f.wav))) << cancelAt;
  }
}

TEST_F(Driver, SamplesThatClaimMoreDataThanTheyHoldPlaySilenceBeyondTheirEnd) {
  std::vector<uint8_t> b = ReadBytes(f.dir.File("S.WAV"));
  b[40] = 0xFF;  // a data chunk of 2^31 - 1 bytes in a file of 2000
  b[41] = 0xFF;
  b[42] = 0xFF;
  b[43] = 0x7F;
  WriteBytes(f.dir.File("LIAR.WAV"), b);
  Inst liar;
  liar.name = "LIAR";
  liar.end = 1999;  // twice the frames the file has
  ASSERT_EQ(f.Render(Song(100, Block(liar, {{60, {"0 ON 100", "90 OFF 64"}}})), {16, 1}).status, kOk);
  WavData w = ReadWav(f.wav);
  EXPECT_NE(w.samples[999], 0);
  for (size_t i = 1000; i < 2000; ++i) ASSERT_EQ(w.samples[i], 0) << i;
}

TEST(DriverPaths, SpacesAndNonAsciiNamesWork) {
  SongFixture f;
  const std::filesystem::path dir = f.dir.Path() / "Mes échantillons à jouer";
  std::filesystem::create_directory(dir);
  WriteWav((dir / "S.WAV").string(), {44100, 16, 1}, std::vector<int32_t>(100, 1000));
  f.samples = dir.string() + "/";
  const std::string lst = (dir / "chanson d'été.lst").string();
  const std::string wav = (dir / "chanson d'été.wav").string();
  WriteText(lst, Song(10, Block(Inst{}, {{60, {"0 ON 100", "5 OFF 64"}}})));
  ASSERT_EQ(f.RenderFile(lst, wav, {}).status, kOk);
  EXPECT_EQ(ReadWav(wav).samples[0], 1000 * 63 / 64);
}

}  // namespace

namespace {

// A note longer than one mixing block pumps between its blocks, so that the host's window
// stays alive; a cancel from there still ends at the driver's next test, with the same bytes as
// a cancel at the next line.
TEST_F(Driver, ALongNotePumpsBetweenItsBlocksWithoutMovingTheCancelPoints) {
  Inst looped;
  looped.loopStart = 100;
  looped.loopEnd = 899;
  // 6 s of a looped note at 44100 Hz stereo: 88200 frames a block, so three blocks.
  const std::string text = Song(7000, Block(looped, {{60, {"0 ON 100", "6000 OFF 64"}},
                                                     {64, {"6100 ON 100", "6200 OFF 64"}}}));
  // Lines: 1 duration, 2 "{", 3 inst, 4 "[", 5 note, 6 ON, 7 OFF (mixes the long stretch)...
  std::vector<int32_t> linesAtPumps;
  RenderRun run = f.Render(text, {}, [&](int, int32_t& line, int32_t&) { linesAtPumps.push_back(line); });
  ASSERT_EQ(run.status, kOk);
  const std::vector<uint8_t> whole = ReadBytes(f.wav);
  EXPECT_GE(std::count(linesAtPumps.begin(), linesAtPumps.end(), 7), 3);

  auto cancelAt = [&](auto when) {
    bool done = false;
    RenderRun r = f.Render(text, {}, [&](int, int32_t& line, int32_t& lines) {
      if (!done && when(line)) {
        done = true;
        line = lines;
      }
    });
    EXPECT_EQ(r.status, kOk);
    return ReadBytes(f.wav);
  };
  int pumpsAtSeven = 0;
  const std::vector<uint8_t> insideTheNote = cancelAt([&](int32_t line) {
    return line == 7 && ++pumpsAtSeven == 2;  // between two blocks of the long stretch
  });
  const std::vector<uint8_t> atTheNextLine = cancelAt([](int32_t line) { return line == 8; });
  EXPECT_EQ(insideTheNote, atTheNextLine);
  EXPECT_NE(insideTheNote, whole);  // the second note was not mixed
}

}  // namespace
