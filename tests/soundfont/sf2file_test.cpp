// Malformed banks: every fault is a SoundFontError naming its chunk, never a crash.
#include "tests/soundfont/sf2builder.h"
#include "tonemill/soundfont/presetplan.h"
#include "tonemill/soundfont/sampleaudio.h"
#include "tonemill/soundfont/sf2file.h"

#include <gtest/gtest.h>

#include <random>

using namespace tonemill::soundfont;
using namespace testing_support;

namespace {

Sf2Builder SmallBank() {
  Sf2Builder b;
  b.samples.push_back(SineSample("Sine", 2000, 100, 1000, 1800));
  b.instruments.push_back({"Inst", {{{{43, Range(0, 127)}, {54, 1}, {53, 0}}, {}}}});
  b.presets.push_back({"Piano", 0, 0, {{{{41, 0}}, {}}}});
  b.presets.push_back({"Kit", 0, 128, {{{{41, 0}}, {}}}});
  return b;
}

void Set16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

std::string ErrorOf(const std::vector<uint8_t>& bytes) {
  try {
    ParseSoundFont(bytes);
  } catch (const SoundFontError& e) {
    return e.what();
  }
  return "";
}

// Whatever parses must also plan and convert without fault.
void PlanAndConvert(const Bank& bank) {
  ImportPlan plan = PlanImport(bank, 44100);
  for (const SampleSource& s : plan.sources) MakeSampleAudio(bank, s);
}

}  // namespace

TEST(SoundFontFile, ReadsAWellFormedBank) {
  Bank bank = ParseSoundFont(SmallBank().Build());
  EXPECT_EQ(bank.name, "Test");
  EXPECT_EQ(bank.versionMajor, 2);
  ASSERT_EQ(bank.presets.size(), 2u);
  EXPECT_EQ(bank.presets[1].bank, 128);
  ASSERT_EQ(bank.instruments.size(), 1u);
  ASSERT_EQ(bank.samples.size(), 1u);
  EXPECT_EQ(bank.samples[0].end - bank.samples[0].start, 2000u);
  EXPECT_EQ(bank.samples[0].loopEnd - bank.samples[0].start, 1800u);
  EXPECT_EQ(bank.Points(), 2046u);
  EXPECT_EQ(bank.Point(25), Sine(2000, 100)[25]);
  EXPECT_EQ(bank.instruments[0].zones[0].generators.size(), 3u);
}

TEST(SoundFontFile, EveryTruncationIsReportedWithItsChunk) {
  const std::vector<uint8_t> full = SmallBank().Build();
  for (size_t size = 0; size < full.size(); ++size) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + long(size));
    const std::string error = ErrorOf(cut);
    ASSERT_FALSE(error.empty()) << "cut at " << size;
    EXPECT_TRUE(error.find("RIFF") == 0 || error.find("truncated") != std::string::npos ||
                error.find("missing") != std::string::npos)
        << error;
  }
  // A consistent header on a short file still names the form.
  std::vector<uint8_t> cut(full.begin(), full.begin() + 100);
  EXPECT_NE(ErrorOf(cut).find("RIFF: the form claims"), std::string::npos);
}

TEST(SoundFontFile, WrongChunkSizesNameTheChunk) {
  Sf2Builder b = SmallBank();
  std::vector<uint8_t> bytes = b.Build();
  Sf2Builder padded = SmallBank();
  padded.extraBytes["pbag"] = 2;  // not whole 4-byte records
  EXPECT_EQ(ErrorOf(padded.Build()), "pdta/pbag: size 14 is not a whole number of 4-byte records");

  std::vector<uint8_t> shdr = bytes;
  Set32(shdr, b.DataOffset("shdr") - 4, 1000);  // runs past the list
  EXPECT_NE(ErrorOf(shdr).find("pdta/shdr: chunk size 1000 runs past the end of pdta"), std::string::npos);

  std::vector<uint8_t> smpl = bytes;
  Set32(smpl, b.DataOffset("smpl") - 4, 4091);
  EXPECT_EQ(ErrorOf(smpl).rfind("sdta/smpl: odd size 4091", 0), 0u) << ErrorOf(smpl);

  b.omit = {"imod"};
  EXPECT_EQ(ErrorOf(b.Build()).rfind("pdta/imod: missing", 0), 0u);
}

TEST(SoundFontFile, OutOfRangeIndexesNameTheChunk) {
  Sf2Builder b = SmallBank();
  b.presets[0].zones[0].generators = {{41, 3}};
  EXPECT_NE(ErrorOf(b.Build()).find("pdta/pgen: preset 'Piano' (#0) zone 0 names instrument 3, but the bank has only 1"), std::string::npos);

  b = SmallBank();
  b.instruments[0].zones[0].generators.back() = {53, 7};
  EXPECT_NE(ErrorOf(b.Build()).find("pdta/igen: instrument 'Inst' (#0) zone 0 names sample 7"), std::string::npos);

  b = SmallBank();
  std::vector<uint8_t> bytes = b.Build();
  Set16(bytes, b.DataOffset("phdr") + 38 + 24, 5);  // second preset's first zone, past pbag
  EXPECT_NE(ErrorOf(bytes).find("pdta/phdr: preset 'Kit' (#1) names zone 5, beyond the 3 records of pdta/pbag"), std::string::npos);

  bytes = b.Build();
  Set16(bytes, b.DataOffset("pbag") + 4, 9);  // second zone's generators beyond pgen
  EXPECT_NE(ErrorOf(bytes).find("pdta/pbag: zone #1: generator index 9 is beyond the 3 records of pdta/pgen"), std::string::npos);

  bytes = b.Build();
  Set16(bytes, b.DataOffset("ibag") + 4, 0);  // terminal bag before the zone's generators end
  Set16(bytes, b.DataOffset("ibag"), 2);
  EXPECT_NE(ErrorOf(bytes).find("pdta/ibag: zone #1: generator index 0 comes before"), std::string::npos);

  bytes = b.Build();
  Set16(bytes, b.DataOffset("phdr") + 38 + 24, 0);  // zones out of order between presets
  Set16(bytes, b.DataOffset("phdr") + 24, 1);
  EXPECT_NE(ErrorOf(bytes).find("pdta/phdr: preset 'Kit' (#1) starts at zone 0"), std::string::npos);
}

TEST(SoundFontFile, RefusesOtherVersionsAndForms) {
  Sf2Builder b = SmallBank();
  b.versionMajor = 3;
  EXPECT_NE(ErrorOf(b.Build()).find("INFO/ifil: version 3.1 is not SoundFont 2"), std::string::npos);
  std::vector<uint8_t> bytes = SmallBank().Build();
  bytes[8] = 'X';
  EXPECT_EQ(ErrorOf(bytes), "RIFF: not a SoundFont 2 bank (no RIFF form of type sfbk)");
  EXPECT_NE(ErrorOf({}).find("RIFF"), std::string::npos);
}

TEST(SoundFontFile, BadSamplesAreLeftOutWithAMessage) {
  Sf2Builder b = SmallBank();
  TestSample empty;
  empty.name = "Empty";
  b.samples.push_back(empty);
  TestSample outside;
  outside.name = "Outside";
  outside.rawHeader = true;
  outside.start = 10;
  outside.end = 999999;
  b.samples.push_back(outside);
  b.samples.push_back(SineSample("BadLoop", 500, 50, 400, 900));  // the loop ends past the sample
  b.instruments[0].zones = {{{{43, Range(0, 10)}, {53, 1}}, {}},
                            {{{43, Range(11, 20)}, {53, 2}}, {}},
                            {{{43, Range(21, 30)}, {54, 1}, {53, 3}}, {}}};
  Bank bank = ParseSoundFont(b.Build());
  EXPECT_NE(SampleProblem(bank, 1).find("'Empty' (#1) is empty"), std::string::npos);
  EXPECT_NE(SampleProblem(bank, 2).find("beyond the"), std::string::npos);
  ImportPlan plan = PlanImport(bank, 44100);
  std::string all;
  for (const auto& w : plan.warnings) all += w + "\n";
  EXPECT_NE(all.find("pdta/shdr: sample 'Empty' (#1) is empty"), std::string::npos) << all;
  EXPECT_NE(all.find("pdta/shdr: sample 'Outside' (#2) ends at point 999999"), std::string::npos) << all;
  EXPECT_NE(all.find("pdta/shdr: the loop"), std::string::npos) << all;
  EXPECT_NE(all.find("'BadLoop' (#3) lies outside the sample"), std::string::npos) << all;
  // Only the sample with the bad loop is played (once per preset), without a loop.
  ASSERT_EQ(plan.sources.size(), 1u);
  EXPECT_FALSE(plan.sources[0].looped);
  ASSERT_EQ(plan.files.size(), 256u);  // the two presets, and stand-ins for all other programs and kits
  ASSERT_EQ(plan.files[0].lines.size(), 1u);
  EXPECT_EQ(plan.files[0].lines[0].keyLow, 21);
  PlanAndConvert(bank);
}

TEST(SoundFontFile, DamagedBytesNeverCrash) {
  Sf2Builder b = SmallBank();
  const std::vector<uint8_t> good = b.Build();
  // Damage the structure, not the sample points.
  std::vector<size_t> places;
  const size_t dataStart = b.DataOffset("smpl"), dataEnd = dataStart + 2046 * 2;
  for (size_t i = 0; i < good.size(); ++i)
    if (i < dataStart || i >= dataEnd) places.push_back(i);
  std::mt19937 rng(4);
  int rejected = 0;
  for (int round = 0; round < 5000; ++round) {
    std::vector<uint8_t> bytes = good;
    const int changes = 1 + int(rng() % 4);
    for (int c = 0; c < changes; ++c) bytes[places[rng() % places.size()]] = uint8_t(rng());
    try {
      PlanAndConvert(ParseSoundFont(bytes));
    } catch (const SoundFontError&) {
      ++rejected;
    }
  }
  EXPECT_GT(rejected, 0);
}
