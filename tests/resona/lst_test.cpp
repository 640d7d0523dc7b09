#include "resona/lst.h"
#include "resona/status.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace resona;
using namespace testing_support;

namespace {

constexpr const char* kGoodLine =
    "PIANO1 60 64 64 64 0 0 0 2 10 5 1.00 0.60 -0.10 -2.00 10 200 0 20000 12000 19999 ";

TEST(TextReader, SplitsLongLinesAndTakesCrLfAsLf) {
  TempDir dir;
  std::string longLine(300, 'x');
  WriteText(dir.File("a.lst"), "12\r\n" + longLine + "\r\n" + std::string(255, 'y') + "\r\n\r\nz\rw\n");
  TextReader r;
  ASSERT_TRUE(r.Open(dir.File("a.lst").c_str()));
  int32_t v = 0;
  ASSERT_TRUE(r.ReadInt(v));
  EXPECT_EQ(v, 12);
  std::string line;
  std::vector<std::string> lines;
  while (r.ReadLine(line)) lines.push_back(line);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "\n");  // the rest of the duration's line
  EXPECT_EQ(lines[1], std::string(255, 'x'));
  EXPECT_EQ(lines[2], std::string(45, 'x') + "\n");
  EXPECT_EQ(lines[3], std::string(255, 'y'));
  EXPECT_EQ(lines[4], "\n");  // the line end of an exactly 255-character line
  EXPECT_EQ(lines[5], "\n");
  EXPECT_EQ(lines[6], "z\rw\n");  // a lone CR stays
  EXPECT_EQ(CountLines(dir.File("a.lst").c_str()), 5);
  EXPECT_EQ(CountLines(dir.File("missing").c_str()), -1);
}

TEST(Scanning, ReadsNumbersTheWayTheConverterWritesThemWhateverTheLocale) {
  // A locale with a decimal comma, when the machine has one, must not change anything.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
    if (std::setlocale(LC_NUMERIC, name)) break;
  std::string_view t = " 0.80 -1.50e1 1,5";
  float a = 0, b = 0, c = 0;
  EXPECT_TRUE(ScanReal(t, a));
  EXPECT_TRUE(ScanReal(t, b));
  EXPECT_TRUE(ScanReal(t, c));
  EXPECT_EQ(a, 0.8f);
  EXPECT_EQ(b, -15.0f);
  EXPECT_EQ(c, 1.0f);  // the comma ends the number
  std::setlocale(LC_NUMERIC, saved.c_str());

  // Reals go straight to single precision: no double rounding on the way.
  std::string_view tie = "1.00000005960464477539062500000001";
  float f = 0;
  ASSERT_TRUE(ScanReal(tie, f));
  EXPECT_EQ(f, 1.00000011920928955078125f);

  std::string_view ints = "  -12 +7 99999999999 x";
  int32_t i1, i2, i3, i4;
  EXPECT_TRUE(ScanInt(ints, i1));
  EXPECT_TRUE(ScanInt(ints, i2));
  EXPECT_TRUE(ScanInt(ints, i3));
  EXPECT_FALSE(ScanInt(ints, i4));
  EXPECT_EQ(i1, -12);
  EXPECT_EQ(i2, 7);
  EXPECT_EQ(i3, INT32_MAX);
}

int32_t Check(const std::string& line) {
  InstrumentLine inst;
  return ParseInstrumentLine(line, inst, true);
}

// Replaces field `index` (1-based) of the good line.
std::string WithField(int index, const std::string& value) {
  std::vector<std::string> fields;
  std::string_view t = kGoodLine;
  std::string word;
  while (ScanWord(t, word)) fields.push_back(word);
  fields[size_t(index - 1)] = value;
  std::string line;
  for (const auto& f : fields) line += f + " ";
  return line;
}

TEST(InstrumentLine, EachFieldHasItsStatusInTableOrder) {
  EXPECT_EQ(Check(kGoodLine), kOk);
  const struct {
    int field;
    const char* value;
    int32_t status;
  } cases[] = {
      {2, "128", kIllegalBaseNote},       {2, "-1", kIllegalBaseNote},
      {3, "0", kIllegalBaseVolume},       {4, "128", kIllegalBasePan},
      {5, "101", kIllegalVelocitySens},   {6, "-101", kIllegalPressureSens},
      {7, "101", kIllegalExpressionSens}, {8, "101", kIllegalReleaseSens},
      {9, "128", kIllegalBendRange},      {10, "-1", kIllegalModSens},
      {11, "101", kIllegalModRate},       {12, "-0.01", kIllegalAttackFactor},
      {13, "-1", kIllegalDecayFactor},    {13, "nan", kIllegalDecayFactor},
      {16, "-1", kIllegalAttackLength},   {17, "-1", kIllegalDecayLength},
      {18, "-1", kIllegalStart},          {19, "-1", kIllegalEnd},
      {20, "20001", kIllegalLoopStart},   {21, "11999", kIllegalLoopEnd},
      {15, "0", kIllegalReleaseSlope},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Check(WithField(c.field, c.value)), c.status) << c.field << " = " << c.value;
  // The factor checks come before the length checks although they sit later on the line.
  std::string both = WithField(16, "-1");
  both = std::string(both).replace(both.find("0.60"), 4, "-0.6");
  EXPECT_EQ(Check(both), kIllegalDecayFactor);
}

TEST(InstrumentLine, LoopsAreNormalised) {
  InstrumentLine inst;
  // A negative loop start cancels the loop, and then any release slope is fine.
  ASSERT_EQ(ParseInstrumentLine("S 60 64 64 0 0 0 0 0 0 0 1 1 0 0 0 0 0 1000 -1 500", inst, true),
            kOk);
  EXPECT_EQ(inst.loopStart, -1);
  EXPECT_EQ(inst.loopEnd, -1);
  EXPECT_EQ(inst.endPos, 1000);
  ASSERT_EQ(ParseInstrumentLine("S 60 64 64 0 0 0 0 0 0 0 1 1 0 -1 0 0 0 1000 100 199", inst, true),
            kOk);
  EXPECT_EQ(inst.endPos, 200);  // cut one frame after the loop
  EXPECT_EQ(ParseInstrumentLine("S 60 64 64 0 0 0 0 0 0 0 1 1 0 0 0 0 0 1000 100 199", inst, true),
            kIllegalReleaseSlope);
}

TEST(InstrumentLine, MissingFieldsKeepThePreviousLineButNotOnTheFirst) {
  InstrumentLine inst;
  ASSERT_EQ(ParseInstrumentLine(kGoodLine, inst, true), kOk);
  ASSERT_EQ(ParseInstrumentLine("OTHER 50 32", inst, false), kOk);
  EXPECT_EQ(inst.sampleName, "OTHER");
  EXPECT_EQ(inst.baseNote, 50);
  EXPECT_EQ(inst.baseVolume, 32);
  EXPECT_EQ(inst.basePan, 64);
  EXPECT_EQ(inst.decayMs, 200);

  InstrumentLine fresh;
  EXPECT_EQ(ParseInstrumentLine("", fresh, true), kSampleReadFailure);
  EXPECT_EQ(ParseInstrumentLine("S", fresh, true), kIllegalBaseNote);
  EXPECT_EQ(ParseInstrumentLine("S 60 64 64 64 0 0 0 2 10 5 1.0", fresh, true), kIllegalDecayFactor);
  EXPECT_EQ(ParseInstrumentLine("S 60 64 64 64 0 0 0 2 10 5 1 1 0 -1 0 0 0 100 -1", fresh, true),
            kIllegalLoopEnd);
  // A field that does not convert ends the scan like a missing one.
  EXPECT_EQ(ParseInstrumentLine("S 60 x 64", fresh, true), kIllegalBaseVolume);
}

TEST(NoteAndEventLines, AreCheckedAsTheRendererReadsThem) {
  int32_t note = 64;
  EXPECT_EQ(ParseNoteLine("abc", note, true), kIllegalNote);
  EXPECT_EQ(ParseNoteLine("256", note, true), kIllegalNote);
  EXPECT_EQ(ParseNoteLine("-128", note, true), kIllegalNote);
  EXPECT_EQ(ParseNoteLine("-127", note, true), kOk);
  EXPECT_EQ(ParseNoteLine("x", note, false), kOk);  // keeps the previous note
  EXPECT_EQ(note, -127);

  Event e;
  EXPECT_EQ(ParseEventLine("500 BND -4096", e), kOk);
  EXPECT_EQ(e.time, 500);
  EXPECT_EQ(e.kind, EventKind::Bend);
  EXPECT_EQ(e.value, -4096);
  EXPECT_EQ(ParseEventLine("0 NOTE 5", e), kIllegalEventCode);
  EXPECT_EQ(ParseEventLine("0 on 5", e), kIllegalEventCode);
  EXPECT_EQ(ParseEventLine("100 ON", e), kIllegalEventCode);  // short lines are refused
  EXPECT_EQ(ParseEventLine("100", e), kIllegalEventCode);
}

}  // namespace
