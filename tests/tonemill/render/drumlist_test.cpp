#include "tonemill/render/drumlist.h"
#include "tonemill/render/provisioning.h"
#include "tonemill/render/songrender.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

TEST(DrumList, CellsAndRepeatedRows) {
  std::string cell = " a l L ";
  EXPECT_EQ(CheckDrumCell(cell, true), "");
  EXPECT_EQ(cell, "ALL");
  cell = "65535";
  EXPECT_EQ(CheckDrumCell(cell, true), "");
  for (const char* bad : {"0", "65536", "x", ""}) {
    cell = bad;
    EXPECT_EQ(CheckDrumCell(cell, true), "Illegal MIDI Track!") << bad;
  }
  for (const char* bad : {"0", "17", "al"}) {
    cell = bad;
    EXPECT_EQ(CheckDrumCell(cell, false), "Illegal MIDI Channel!") << bad;
  }
  for (const auto& [typed, stored] : {std::pair{"all", "ALL"}, std::pair{" 16", "16"}}) {
    cell = typed;
    EXPECT_EQ(CheckDrumCell(cell, false), "") << typed;
    EXPECT_EQ(cell, stored);
  }
  // A blank cell is not filled in yet: the list is incomplete there.
  EXPECT_TRUE(DrumCellIsEmpty("  ") && DrumCellIsEmpty("") && !DrumCellIsEmpty(" 1"));
  EXPECT_EQ(FirstEmptyDrumCell({{"ALL", "10"}, {"2", " "}, {"", "3"}}), (std::pair<size_t, int>{1, 1}));
  EXPECT_EQ(FirstEmptyDrumCell({{"ALL", "10"}}), std::nullopt);
  std::vector<DrumRow> rows = {{"ALL", "10"}, {"2", "10"}, {"ALL", "10"}, {"ALL", "9"}, {"2", "10"}};
  RemoveRepeatedDrumRows(rows);
  EXPECT_EQ(rows, (std::vector<DrumRow>{{"ALL", "10"}, {"2", "10"}, {"ALL", "9"}}));
  std::vector<DrumPair> pairs = DrumPairsFromRows(rows);
  EXPECT_EQ(pairs, (std::vector<DrumPair>{{-1, 10}, {2, 10}, {-1, 9}}));
  EXPECT_EQ(DrumPairsFromCells({{"x", "3"}}), (std::vector<DrumPair>{{0, 3}}));
}

class Provisioning : public ::testing::Test {
 protected:
  ProvisioningScan Scan(const std::string& lst) {
    testing_support::WriteText(dir_.File("s.lst"), lst);
    return ScanSamples(dir_.File("s.lst"), dir_.Dir() + "WAV", dir_.Dir() + "DFT");
  }
  void SetUp() override {
    std::filesystem::create_directory(dir_.File("WAV"));
    std::filesystem::create_directory(dir_.File("DFT"));
    testing_support::WriteWav(dir_.File("WAV/piano.wav"), {22050, 16, 1}, {1, 2, 3});
    testing_support::WriteText(dir_.File("WAV/BROKEN.WAV"), "not a wave");
    testing_support::WriteText(dir_.File("DFT/STRINGS.DFT"), "x");
  }
  std::string Error(int line, const char* suffix) {
    return "Error in LST file " + dir_.File("s.lst") + " at line number " + std::to_string(line) +
           suffix;
  }
  testing_support::TempDir dir_;
};

TEST_F(Provisioning, ListsEachSampleOnceWithItsSource) {
  const std::string block = "[\r\n60\r\n0 ON 1\r\n10 OFF 1\r\n]\r\n";
  ProvisioningScan scan = Scan("10\r\n{\r\nPIANO 60 ...\r\n" + block + block + "}\r\n{\r\n  STRINGS x\r\n" +
                               block + "}\r\n{\r\nPIANO y\r\n" + block + "}\r\n{\r\nBROKEN\r\n" + block + "}\r\n");
  ASSERT_FALSE(scan.problem) << scan.problem->Text();
  ASSERT_EQ(scan.samples.size(), 3u);
  EXPECT_EQ(scan.samples[0].source, SampleState::Source::Wav);  // found ignoring case
  EXPECT_EQ(scan.samples[1].source, SampleState::Source::Dft);
  EXPECT_EQ(scan.samples[2].source, SampleState::Source::Missing);
  EXPECT_EQ(MissingSampleMessage("BROKEN"),
            "Fatal error: can't find either WAV or DFT for sample BROKEN!");
}

TEST_F(Provisioning, StructureErrors) {
  EXPECT_EQ(Scan("10\r\n\r\n{\r\n").problem->BoxText(), Error(2, ": { expected!"));
  EXPECT_EQ(Scan("10\r\n{\r\n PIANOFORTE 1\r\n").problem->BoxText(), Error(3, ": sample name too long!"));
  EXPECT_EQ(Scan("10\r\n{\r\n   \r\n").problem->BoxText(), Error(3, ": sample name expected!"));
  EXPECT_EQ(Scan("10\r\n{\r\nPIANO\r\n}\r\n").problem->BoxText(), Error(4, ": [ expected!"));
  EXPECT_EQ(Scan("10\r\n{\r\nPIANO\r\n[\r\n60\r\n]\r\n").problem->BoxText(),
            "Unexpected termination of LST file " + dir_.File("s.lst") + "!");
  EXPECT_EQ(ScanSamples(dir_.File("none.lst"), "", "").problem->BoxText(),
            "Can't open LST file " + dir_.File("none.lst") + "!");
  EXPECT_FALSE(Scan("10\r\n").problem);
}

TEST(SongLength, FitsAWavFileAsTheRendererCountsFrames) {
  // 44.1 frames a millisecond in single precision, 4 bytes a frame, at most 2^31 - 4 bytes.
  EXPECT_TRUE(SongFitsWavFile(12173944, 16, 2, 44100));
  EXPECT_FALSE(SongFitsWavFile(12173945, 16, 2, 44100));
  EXPECT_TRUE(SongFitsWavFile(12173944 * 8, 8, 1, 11025));
  EXPECT_FALSE(SongFitsWavFile(INT32_MAX, 8, 1, 11025));
}

}  // namespace
}  // namespace tonemill
