#include "tonemill/prg/prgline.h"

#include "tests/support/midifiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::PrgFields;

// Each field at its bound is read; just past it the line is refused with the field's message.
TEST(PrgLine, BoundsOfEveryField) {
  struct Case {
    std::string PrgFields::*field;
    const char* inside;
    const char* outside;
    const char* message;
  } cases[] = {
      {&PrgFields::range, "c0-g10", "c0-g#10", "Illegal key range code."},
      {&PrgFields::wav, "A~B\x80", "A\tB", "Illegal WAV filename."},
      {&PrgFields::wav, "ABCDEFGH", "A\rB", "Illegal WAV filename."},
      {&PrgFields::base, "g10", "g#10", "Illegal base key code."},
      {&PrgFields::volume, "10000000", "10000001", "Illegal base volume."},
      {&PrgFields::pan, "127", "128", "Illegal base panpot."},
      {&PrgFields::velocity, "-100", "-101", "Illegal velocity sensitivity."},
      {&PrgFields::bend, "127", "128", "Illegal pitch bend range."},
      {&PrgFields::modRate, "100", "101", "Illegal modulation rate."},
      {&PrgFields::attack, "1e6", "1000000.01", "Illegal attack factor."},
      {&PrgFields::decay, "1000000", "1e7", "Illegal decay factor."},
      {&PrgFields::sustain, "-1000000", "-1000000.5", "Illegal sustain slope."},
      {&PrgFields::sustain, "1000000", "1e300", "Illegal sustain slope."},
      {&PrgFields::releaseSlope, "-1e6", "-1.5e6", "Illegal release slope."},
      {&PrgFields::attackLength, "1000000000", "1000000001", "Illegal attack length."},
      {&PrgFields::decayLength, "1000000000", "2147483647", "Illegal decay length."},
  };
  for (const Case& c : cases) {
    PrgFields f;
    f.*c.field = c.inside;
    EXPECT_EQ(ReadPrgLine(f.Line()).kind, PrgLineReading::Kind::Definition) << c.inside;
    f.*c.field = c.outside;
    EXPECT_STREQ(ReadPrgLine(f.Line()).message, c.message) << c.outside;
  }
  PrgFields farEnd;
  farEnd.end = "2147483647";
  farEnd.loopStart = "2147483646";
  farEnd.loopEnd = "2147483647";
  EXPECT_EQ(ReadPrgLine(farEnd.Line()).kind, PrgLineReading::Kind::Definition);
}

// The song list carries the release slope with two decimals; a looped one must stay negative
// there, or the renderer refuses the instrument.
TEST(PrgLine, ALoopedReleaseIsNegativeWithTwoDecimals) {
  PrgFields f;
  f.loopStart = "100";
  f.loopEnd = "500";
  for (const char* slope : {"-0.005", "-0.01", "-1"}) {
    f.releaseSlope = slope;
    EXPECT_EQ(ReadPrgLine(f.Line()).kind, PrgLineReading::Kind::Definition) << slope;
  }
  for (const char* slope : {"-0.0049", "-0", "0"}) {
    f.releaseSlope = slope;
    EXPECT_STREQ(ReadPrgLine(f.Line()).message, "Illegal release slope.") << slope;
  }
  f.loopEnd = "-1";  // without a loop any slope goes
  EXPECT_EQ(ReadPrgLine(f.Line()).kind, PrgLineReading::Kind::Definition);
}

TEST(PrgLine, WhatIsWrittenReadsBackTheSame) {
  PrgLine extreme;
  extreme.keyLow = 0;
  extreme.keyHigh = 127;
  extreme.wavName = "ABCDEFGH";
  extreme.baseKey = 127;
  extreme.baseVolume = kMaxBaseVolume;
  extreme.velocitySensitivity = -100;
  extreme.attackFactor = kMaxRealMagnitude;
  extreme.sustainSlope = -kMaxRealMagnitude;
  extreme.releaseSlope = -0.01;
  extreme.attackLength = extreme.decayLength = kMaxEnvelopeLength;
  extreme.endSample = extreme.loopEnd = INT32_MAX;
  extreme.loopStart = 0;
  extreme.bits = 8;
  extreme.channels = 2;
  extreme.rate = 11025;
  PrgLine plain;
  plain.wavName = "P";
  plain.keyLow = plain.keyHigh = 61;
  plain.decayFactor = 0.29;
  plain.releaseSlope = -2.5;
  for (const PrgLine& line : {extreme, plain}) {
    const std::string text = FormatPrgLine(line);
    const PrgLineReading read = ReadPrgLine(text);
    ASSERT_EQ(read.kind, PrgLineReading::Kind::Definition) << read.message << ": " << text;
    EXPECT_EQ(read.line, line) << text;
    EXPECT_EQ(FormatPrgLine(read.line), text);
  }
  EXPECT_EQ(FormatPrgLine(plain), "c#5 P c5 64 64 0 0 0 0 2 0 0 1.00 0.29 0.00 -2.50 0 0 0 0 -1 -1 16 1 44100 ");

  // A line in another form is written in the editor's form and reads back to what it held.
  const PrgLineReading odd = ReadPrgLine("C#4-d5   PIANO C5 $7F 64 +5 0 0 0 2 0 0 2.5E-1 0.5 -0 -2 0 0 0 99 -7 -1");
  ASSERT_EQ(odd.kind, PrgLineReading::Kind::Definition) << odd.message;
  EXPECT_EQ(FormatPrgLine(odd.line),
            "c#4-d5 PIANO c5 127 64 5 0 0 0 2 0 0 0.25 0.50 0.00 -2.00 0 0 0 99 -1 -1 16 1 44100 ");
  EXPECT_EQ(ReadPrgLine(FormatPrgLine(odd.line)).line, odd.line);
}

TEST(PrgLine, CommentLinesAsTheEditorWritesThem) {
  EXPECT_EQ(CommentLine("#kept"), "#kept");
  EXPECT_EQ(CommentLine("  # indented"), "  # indented");  // a comment read from a file
  EXPECT_EQ(CommentLine("  two blanks"), "#  two blanks");
  EXPECT_EQ(CommentLine("text"), "# text");
  PrgLine l;
  l.wavName = "W";
  EXPECT_EQ(FormatPrgFile({"about"}, {l}), "# about\r\n" + FormatPrgLine(l) + "\r\n");
}

}  // namespace
}  // namespace tonemill
