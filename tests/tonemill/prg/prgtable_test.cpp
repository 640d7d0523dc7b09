#include "tonemill/prg/prgtable.h"

#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace tonemill {
namespace {

using testing_support::PrgFields;

std::string MessageOf(const std::string& line) { return ReadPrgLine(line).message; }
std::string MessageOf(const PrgFields& f) { return MessageOf(f.Line()); }

TEST(PrgLine, KeyRanges) {
  PrgFields f;
  for (const char* range : {"c4-c4", "c4"}) {
    f.range = range;
    PrgLineReading line = ReadPrgLine(f.Line());
    ASSERT_EQ(line.kind, PrgLineReading::Kind::Definition) << range;
    EXPECT_EQ(line.line.keyLow, 48);
    EXPECT_EQ(line.line.keyHigh, 48);
  }
  f.range = "C#4";
  EXPECT_EQ(ReadPrgLine(f.Line()).line.keyLow, 49);
  f.range = "g10";
  EXPECT_EQ(ReadPrgLine(f.Line()).line.keyLow, 127);
  for (const char* bad : {"g5-f5", "Db4", "H4", "a10", "c4-g#10", "c 4", "c11", "c4-"}) {
    f.range = bad;
    EXPECT_EQ(MessageOf(f), "Illegal key range code.") << bad;
  }
  EXPECT_EQ(MessageOf("   "), "Illegal key range code.");
  EXPECT_EQ(ReadPrgLine("").kind, PrgLineReading::Kind::Nothing);
  EXPECT_EQ(ReadPrgLine("  # a comment").kind, PrgLineReading::Kind::Nothing);
}

TEST(PrgLine, NamesAndBaseKeys) {
  PrgFields f;
  f.range = "c4   ";  // several blanks before the name are fine
  EXPECT_EQ(ReadPrgLine(f.Line()).kind, PrgLineReading::Kind::Definition);
  f = {};
  f.wav = "ABCDEFGH";
  EXPECT_EQ(ReadPrgLine(f.Line()).line.wavName, "ABCDEFGH");
  f.wav = "ABCDEFGHI";
  EXPECT_EQ(MessageOf(f), "Illegal WAV filename.");
  EXPECT_EQ(MessageOf("c4"), "WAV filename missing.");
  f = {};
  f.base = "g10";
  EXPECT_EQ(ReadPrgLine(f.Line()).line.baseKey, 127);
  f.base = "a10";  // a base key beyond g10 is refused too: the song list has no room for it
  EXPECT_EQ(MessageOf(f), "Illegal base key code.");
  f.base = " c4";  // two blanks between the name and the base key
  EXPECT_EQ(MessageOf(f), "Illegal base key code.");
  f.base = "c11";
  EXPECT_EQ(MessageOf(f), "Illegal base key code.");
}

TEST(PrgLine, NumbersAndTheirMessages) {
  PrgFields f;
  f.pan = "$40";
  EXPECT_EQ(ReadPrgLine(f.Line()).line.basePan, 64);
  f.pan = "300";
  EXPECT_EQ(MessageOf(f), "Illegal base panpot.");
  f = {};
  f.attack = "2.5E-1";
  EXPECT_DOUBLE_EQ(ReadPrgLine(f.Line()).line.attackFactor, 0.25);
  struct Case {
    std::string PrgFields::*field;
    const char* value;
    const char* message;
  } cases[] = {
      {&PrgFields::volume, "0", "Illegal base volume."},
      {&PrgFields::velocity, "101", "Illegal velocity sensitivity."},
      {&PrgFields::pressure, "-101", "Illegal pressure sensitivity."},
      {&PrgFields::expression, "x", "Illegal expression sensitivity."},
      {&PrgFields::release, "1.5", "Illegal release sensitivity."},
      {&PrgFields::bend, "128", "Illegal pitch bend range."},
      {&PrgFields::modSens, "101", "Illegal modulation sensitivity."},
      {&PrgFields::modRate, "-1", "Illegal modulation rate."},
      {&PrgFields::attack, "-0.1", "Illegal attack factor."},
      {&PrgFields::decay, ".5", "Illegal decay factor."},
      {&PrgFields::sustain, "1e", "Illegal sustain slope."},
      {&PrgFields::releaseSlope, "$10", "Illegal release slope."},
      {&PrgFields::attackLength, "-1", "Illegal attack length."},
      {&PrgFields::decayLength, "2147483648", "Illegal decay length."},
      {&PrgFields::start, "-1", "Illegal start position."},
      {&PrgFields::end, "-1", "Illegal end position."},
      {&PrgFields::loopStart, "1000", "Illegal loop start position."},
      {&PrgFields::loopEnd, "1000", "Illegal loop end position."},
  };
  for (const Case& c : cases) {
    PrgFields bad;
    bad.*c.field = c.value;
    EXPECT_EQ(MessageOf(bad), c.message) << c.value;
  }
  // Two blanks between numeric fields give the error of the second one.
  PrgFields gap;
  gap.pan = " 64";
  EXPECT_EQ(MessageOf(gap), "Illegal base panpot.");
}

TEST(PrgLine, LoopsAndReleaseSlope) {
  PrgFields f;
  f.loopStart = "-5";
  f.loopEnd = "-1";
  f.releaseSlope = "0.5";
  PrgLineReading noLoop = ReadPrgLine(f.Line());
  ASSERT_EQ(noLoop.kind, PrgLineReading::Kind::Definition);
  EXPECT_EQ(noLoop.line.loopStart, -1);
  f.loopStart = "-1";
  f.loopEnd = "500";
  EXPECT_EQ(MessageOf(f), "Illegal release slope.");
  f.releaseSlope = "-0.5";
  EXPECT_EQ(ReadPrgLine(f.Line()).line.loopEnd, 500);
  f.loopStart = "600";
  EXPECT_EQ(MessageOf(f), "Illegal loop end position.");
  // Without the informational fields the line is accepted; with 21 numeric fields it is not.
  PrgFields g;
  std::string line = g.Line();
  EXPECT_EQ(ReadPrgLine(line.substr(0, line.find(" 16 1 44100"))).kind, PrgLineReading::Kind::Definition);
  EXPECT_EQ(MessageOf(line.substr(0, line.find(" -1 16 1 44100"))), "Illegal loop end position.");
}

TEST(PrgTable, SixLayersAtMost) {
  // On the heap, as the loader keeps it: a local table of this size sends Clang 14's constant
  // evaluator into a crash.
  auto table = std::make_unique<PRGtable>();
  PrgFields f;
  f.range = "c4-d4";
  for (int i = 0; i < 6; ++i) table->Add(ReadPrgLine(f.Line()).line);
  f.range = "c4-e4";
  f.wav = "SEVENTH";
  table->Add(ReadPrgLine(f.Line()).line);
  EXPECT_EQ(table->count[48], 6);
  EXPECT_EQ(table->entries[48][5].wavName, "PIANO");
  EXPECT_EQ(table->count[52], 1);
  EXPECT_EQ(table->entries[52][0].wavName, "SEVENTH");
}

TEST(PrgTable, LoadingReportsFileAndLine) {
  testing_support::TempDir dir;
  PrgLoad missing = LoadPRG(dir.Path().string(), 12, false);
  EXPECT_EQ(missing.Message(), "PRG file " + dir.Dir() + "12.PRG not found.");
  testing_support::WriteText(dir.File("D0.PRG"), "# kit\r\n\r\n" + PrgFields().Line() +
                                                     "\r\nc4 SNARE c4 0\r\n");
  PrgLoad bad = LoadPRG(dir.Dir(), 0, true);
  EXPECT_EQ(bad.Message(), "PRG " + dir.Dir() + "D0.PRG, line #4: Illegal base volume.");
  EXPECT_EQ(PrgFileName("C:\\PRG", 5, false), "C:/PRG/5.PRG");
}

}  // namespace
}  // namespace tonemill
