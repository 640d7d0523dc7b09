// Note, number and path routines.
#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/paths.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

std::pair<int, int> Range(const std::string& text) {
  int low = 0, high = 0;
  ParseKeyRange(text, low, high);
  return {low, high};
}

TEST(Notes, NamesIndicesAndOctaves) {
  EXPECT_EQ(KeyName(61), "c#5");
  EXPECT_EQ(KeyName(127), "g10");
  EXPECT_EQ(NoteIndex("C#"), 1);
  EXPECT_EQ(NoteIndex("b"), 11);
  EXPECT_EQ(NoteIndex("Db"), -1);
  EXPECT_EQ(NoteIndex("c4"), -1);
  EXPECT_EQ(OctaveValue("10"), 10);
  EXPECT_EQ(OctaveValue("11"), -1);
  EXPECT_EQ(OctaveValue("1x"), -1);
  EXPECT_EQ(OctaveValue(""), -1);
}

TEST(Notes, KeyRanges) {
  EXPECT_EQ(Range("c4"), std::make_pair(48, -1));
  EXPECT_EQ(Range("C#4-d5"), std::make_pair(49, 62));
  EXPECT_EQ(Range("d5-c4"), std::make_pair(-1, -1));
  EXPECT_EQ(Range("c4 - d5"), std::make_pair(48, 62));
  EXPECT_EQ(Range("h4"), std::make_pair(-1, -1));
  EXPECT_EQ(Range("c4-d5x"), std::make_pair(-1, -1));
  EXPECT_EQ(Range("c4 x"), std::make_pair(-1, -1));
}

TEST(Numbers, FieldSyntax) {
  EXPECT_EQ(ParseIntegerField("$40"), 64);
  EXPECT_EQ(ParseIntegerField("-$10"), -16);
  EXPECT_EQ(ParseIntegerField("+7"), 7);
  EXPECT_EQ(ParseIntegerField("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseIntegerField("2147483648"), std::nullopt);
  EXPECT_EQ(ParseIntegerField("$"), std::nullopt);
  EXPECT_EQ(ParseIntegerField(" 1"), std::nullopt);
  EXPECT_EQ(ParseRealField("1.5e2"), 150.0);
  EXPECT_EQ(ParseRealField("-3."), -3.0);
  EXPECT_EQ(ParseRealField("1e999"), std::nullopt);
  EXPECT_EQ(ParseRealField("0x10"), std::nullopt);
  EXPECT_EQ(ParseRealField("nan"), std::nullopt);
}

TEST(Numbers, TruncateReduceAndFormat) {
  EXPECT_DOUBLE_EQ(TruncateDecimals("2.789", 1), 2.7);
  EXPECT_DOUBLE_EQ(TruncateDecimals("-2.789", 2), -2.78);
  EXPECT_DOUBLE_EQ(TruncateDecimals("junk", 2), 0.0);
  int p = 12, q = 18;
  ReduceFraction(p, q);
  EXPECT_EQ(std::make_pair(p, q), std::make_pair(2, 3));
  p = 0, q = 7;
  ReduceFraction(p, q);
  EXPECT_EQ(q, 1);
  p = INT32_MIN, q = -1;
  ReduceFraction(p, q);  // no overflow trap
  EXPECT_TRUE(IsRealInRange(" 99", true, true, 0, 99));
  EXPECT_FALSE(IsRealInRange("99.1", true, true, 0, 99));
  EXPECT_EQ(FormatFixed(0.8, 2), "0.80");
  EXPECT_EQ(FormatFixed(-1.5, 2), "-1.50");
  EXPECT_EQ(FormatFixed(0.145, 2), "0.15");
  EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
  EXPECT_EQ(FormatFixed(-0.001, 2), "0.00");
  EXPECT_EQ(FormatFixed(9.999, 2), "10.00");
  EXPECT_EQ(FormatFixed(123456.789, 2), "123456.79");
  EXPECT_EQ(FormatFixed(1e-9, 2), "0.00");
  EXPECT_EQ(FormatFixed(0.005, 2), "0.01");
}

TEST(Paths, ValidNames) {
  EXPECT_TRUE(IsValidFileName("C:\\WAV\\song.wav"));
  EXPECT_TRUE(IsValidFileName("/home/Zoë Müller/My Songs/song.wav"));
  EXPECT_TRUE(IsValidFileName("./song.wav"));
  EXPECT_FALSE(IsValidFileName("song.wav"));
  EXPECT_TRUE(IsValidFileName("/wav/Track 01.wav"));
  EXPECT_TRUE(IsValidFileName("/wav/a+b:c.wav"));
  EXPECT_TRUE(IsValidFileName("/wav/" + std::string(255, 'x')));
  EXPECT_FALSE(IsValidFileName("/wav/" + std::string(256, 'x')));
  EXPECT_FALSE(IsValidFileName(std::string(256, 'x') + "/a.wav"));
  EXPECT_FALSE(IsValidFileName("/wav/"));
  EXPECT_FALSE(IsValidFileName(std::string("/wav/a\0b", 8)));
}

TEST(Paths, SeparatorsExtensionsAndComparisons) {
  EXPECT_EQ(WithBackslash(""), "");
  EXPECT_EQ(WithBackslash("/a"), "/a/");
  EXPECT_EQ(WithBackslash("C:"), "C:");
  EXPECT_EQ(WithBackslash("a\\"), "a\\");
  EXPECT_EQ(StripExtension("/x.y/a.b.wav"), "/x.y/a");
  EXPECT_EQ(StripExtension("a.b.wav"), "a");
  EXPECT_EQ(FileNamePart("C:\\MID\\Song.MID"), "Song.MID");
  EXPECT_EQ(UnderscoresToSpaces("a_b"), "a b");
  EXPECT_EQ(SpacesToUnderscores("a b"), "a_b");
  EXPECT_TRUE(SameFullPath("x/../song.mid", "./song.mid"));
  EXPECT_TRUE(SameFullPath("dir\\song.mid", "dir/song.mid"));
  EXPECT_FALSE(SameFullPath("Song.mid", "song.mid"));
  EXPECT_EQ(ProgramDirectory().back(), '/');
}

}  // namespace
}  // namespace tonemill
