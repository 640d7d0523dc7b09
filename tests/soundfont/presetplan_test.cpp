// The mapping from a bank to PRG layers: inheritance, ranges, layer choice, tuning, stereo.
#include "tests/soundfont/sf2builder.h"
#include "tonemill/soundfont/presetplan.h"
#include "tonemill/soundfont/sf2file.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tonemill::soundfont;
using namespace testing_support;

namespace {

TestSample Looped(const std::string& name, uint8_t pitch = 60) {
  TestSample s = SineSample(name, 3000, 100, 1000, 2000);
  s.pitch = pitch;
  return s;
}

TestZone Zn(std::vector<std::pair<uint16_t, uint16_t>> generators) { return {std::move(generators), {}}; }

ImportPlan Plan(Sf2Builder& b) { return PlanImport(ParseSoundFont(b.Build()), 44100); }

const PlannedFile& File(const ImportPlan& plan, const std::string& name) {
  for (const auto& f : plan.files)
    if (f.fileName == name) return f;
  throw std::runtime_error("no " + name);
}

int BaseVolumeFor(int centibels) { return int(std::lround(630.0 * std::pow(10.0, 0.4 * centibels / 200.0))); }

}  // namespace

TEST(PresetPlan, InstrumentValuesAreAbsoluteAndPresetValuesAdd) {
  Sf2Builder b;
  b.samples = {Looped("A"), Looped("B")};
  // Instrument: a global zone (attenuation 100) and two zones, the first overriding it.
  b.instruments.push_back({"I", {Zn({{48, 100}, {58, 72}}),
                                 Zn({{43, Range(0, 59)}, {48, 200}, {54, 1}, {53, 0}}),
                                 Zn({{43, Range(60, 127)}, {54, 1}, {53, 1}})}});
  // Preset: a global zone adds 50, the zone itself adds 30 instead; its root key is ignored.
  b.presets.push_back({"P", 0, 0, {Zn({{48, 50}}), Zn({{43, Range(40, 80)}, {48, 30}, {58, 40}, {41, 0}})}});
  ImportPlan plan = Plan(b);
  const PlannedFile& f = File(plan, "0.PRG");
  ASSERT_EQ(f.lines.size(), 2u);
  EXPECT_EQ(f.lines[0].keyLow, 40);
  EXPECT_EQ(f.lines[0].keyHigh, 59);
  EXPECT_EQ(f.lines[0].voice.baseVolume, BaseVolumeFor(230));
  EXPECT_EQ(f.lines[1].keyLow, 60);
  EXPECT_EQ(f.lines[1].keyHigh, 80);
  EXPECT_EQ(f.lines[1].voice.baseVolume, BaseVolumeFor(130));
  EXPECT_EQ(f.lines[0].voice.baseKey, 72);  // the instrument's overriding root key
  EXPECT_EQ(f.lines[1].voice.baseKey, 72);
}

TEST(PresetPlan, AKeyPlaysTheZonesOfAForteNote) {
  Sf2Builder b;
  b.samples = {Looped("Soft"), Looped("Loud"), Looped("Low1"), Looped("Low2")};
  b.instruments.push_back({"I", {Zn({{43, Range(60, 60)}, {44, Range(0, 63)}, {53, 0}}),
                                 Zn({{43, Range(60, 60)}, {44, Range(64, 127)}, {53, 1}}),
                                 Zn({{43, Range(61, 61)}, {44, Range(0, 40)}, {53, 2}}),
                                 Zn({{43, Range(61, 61)}, {44, Range(41, 70)}, {53, 3}})}});
  b.presets.push_back({"P", 0, 0, {Zn({{41, 0}})}});
  ImportPlan plan = Plan(b);
  const PlannedFile& f = File(plan, "0.PRG");
  ASSERT_EQ(f.lines.size(), 2u);
  EXPECT_EQ(plan.sources[size_t(f.lines[0].voice.source)].left, 1);  // the loud zone
  EXPECT_EQ(plan.sources[size_t(f.lines[1].voice.source)].left, 3);  // nearest to forte
}

TEST(PresetPlan, AtMostSixLayersPerKey) {
  Sf2Builder b;
  b.samples = {Looped("S")};
  TestInstrument inst{"I", {}};
  for (int i = 0; i < 8; ++i) inst.zones.push_back(Zn({{43, Range(50 + i, 70)}, {48, uint16_t(10 * i)}, {53, 0}}));
  b.instruments.push_back(inst);
  b.presets.push_back({"P", 0, 0, {Zn({{41, 0}})}});
  ImportPlan plan = Plan(b);
  const PlannedFile& f = File(plan, "0.PRG");
  for (int key = 0; key < 128; ++key) {
    int layers = 0;
    for (const auto& l : f.lines) layers += l.keyLow <= key && key <= l.keyHigh;
    EXPECT_LE(layers, 6) << key;
    if (key >= 57 && key <= 70) {
      EXPECT_EQ(layers, 6) << key;
    }
  }
  // The first six zones keep their whole ranges.
  for (int i = 0; i < 6; ++i) EXPECT_EQ(f.lines[size_t(i)].keyHigh, 70);
  ASSERT_FALSE(plan.warnings.empty());
  EXPECT_NE(plan.warnings[0].find("more than 6 layers"), std::string::npos);
}

TEST(PresetPlan, TuningGoesIntoTheBaseKeyAndTheSamples) {
  Sf2Builder b;
  TestSample s = Looped("S", 62);
  s.correction = 20;
  b.samples = {s};
  b.instruments.push_back({"I", {Zn({{43, Range(0, 40)}, {51, 1}, {52, 40}, {53, 0}}),
                                 Zn({{43, Range(41, 43)}, {56, 0}, {53, 0}}),
                                 Zn({{43, Range(44, 44)}, {52, Amount(-70)}, {53, 0}})}});
  b.presets.push_back({"P", 0, 0, {Zn({{41, 0}})}});
  ImportPlan plan = Plan(b);
  const PlannedFile& f = File(plan, "0.PRG");
  ASSERT_EQ(f.lines.size(), 5u);
  // 100 + 40 + 20 cents: two semitones down from the root, and -40 cents into the sample.
  EXPECT_EQ(f.lines[0].voice.baseKey, 60);
  EXPECT_EQ(plan.sources[size_t(f.lines[0].voice.source)].cents, -40);
  // Scale tuning 0: every key sounds the root, so each key is its own base key.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(f.lines[size_t(1 + i)].keyLow, 41 + i);
    EXPECT_EQ(f.lines[size_t(1 + i)].voice.baseKey, 41 + i);
    EXPECT_EQ(plan.sources[size_t(f.lines[size_t(1 + i)].voice.source)].cents, 20);
  }
  // -70 + 20 = -50 cents stays in the sample: the folded tuning lies in -50..49 cents.
  EXPECT_EQ(f.lines[4].voice.baseKey, 62);
  EXPECT_EQ(plan.sources[size_t(f.lines[4].voice.source)].cents, -50);
}

TEST(PresetPlan, LinkedHalvesBecomeOneStereoSampleWhenTheyAgree) {
  Sf2Builder b;
  TestSample left = Looped("Left"), right = Looped("Right"), shortRight = Looped("Short");
  left.type = kLeftSample;
  left.link = 1;
  right.type = kRightSample;
  right.link = 0;
  shortRight.type = kRightSample;
  shortRight.link = 0;
  shortRight.points.resize(2500);
  b.samples = {left, right, shortRight};
  b.instruments.push_back({"I", {Zn({{43, Range(0, 60)}, {17, Amount(-500)}, {53, 0}}),
                                 Zn({{43, Range(0, 60)}, {17, 500}, {53, 1}}),
                                 Zn({{43, Range(61, 127)}, {53, 0}}),
                                 Zn({{43, Range(61, 127)}, {53, 2}})}});
  b.presets.push_back({"P", 0, 0, {Zn({{41, 0}})}});
  // Sample 0 links to 1; a zone with sample 2 (linked back to 0) is a pair that disagrees.
  b.samples[2].link = 0;
  ImportPlan plan = Plan(b);
  const PlannedFile& f = File(plan, "0.PRG");
  ASSERT_EQ(f.lines.size(), 3u);
  EXPECT_EQ(plan.sources[size_t(f.lines[0].voice.source)].right, 1);
  EXPECT_EQ(f.lines[0].voice.basePan, 64);
  // Above key 60 sample 0 has no partner in its zones (sample 2 is not its link): two mono layers
  // panned apart, all left (127 in the renderer's terms) and all right (0).
  EXPECT_EQ(plan.sources[size_t(f.lines[1].voice.source)].right, -1);
  EXPECT_EQ(f.lines[1].voice.basePan, 127);
  EXPECT_EQ(f.lines[2].voice.basePan, 0);
}

TEST(PresetPlan, HalvesWithBrokenLinksPairWhenTheyAgree) {
  Sf2Builder b;
  TestSample mono = Looped("Mono"), left = Looped("L"), right = Looped("R");
  left.type = kLeftSample;  // both links point at the mono sample, as some banks have them
  right.type = kRightSample;
  b.samples = {mono, left, right};
  b.instruments.push_back({"I", {Zn({{17, Amount(-500)}, {53, 1}}), Zn({{17, 500}, {53, 2}})}});
  b.presets.push_back({"P", 0, 0, {Zn({{41, 0}})}});
  ImportPlan plan = Plan(b);
  const PlannedFile& f = File(plan, "0.PRG");
  ASSERT_EQ(f.lines.size(), 1u);
  EXPECT_EQ(plan.sources[size_t(f.lines[0].voice.source)].left, 1);
  EXPECT_EQ(plan.sources[size_t(f.lines[0].voice.source)].right, 2);
}

TEST(PresetPlan, ModulationWheelAndVibratoRate) {
  Sf2Builder b;
  b.samples = {Looped("S")};
  TestZone quiet = Zn({{43, Range(0, 59)}, {53, 0}});
  quiet.modulators.push_back({0x0081, 6, 0});  // the bank turns the wheel's vibrato off
  b.instruments.push_back({"I", {quiet, Zn({{43, Range(60, 127)}, {24, 1200}, {53, 0}})}});
  b.presets.push_back({"P", 0, 0, {Zn({{41, 0}})}});
  ImportPlan plan = Plan(b);
  const PlannedFile& f = File(plan, "0.PRG");
  ASSERT_EQ(f.lines.size(), 2u);
  EXPECT_EQ(f.lines[0].voice.modulationSensitivity, 0);
  EXPECT_EQ(f.lines[0].voice.modulationRate, 8);
  EXPECT_EQ(f.lines[1].voice.modulationSensitivity, 3);  // 50 cents: a 2.9 % swing
  EXPECT_EQ(f.lines[1].voice.modulationRate, 16);
}

TEST(PresetPlan, BanksAndProgramsChooseTheFiles) {
  Sf2Builder b;
  b.samples = {Looped("S")};
  b.instruments.push_back({"I", {Zn({{53, 0}})}});
  const TestZone z = Zn({{41, 0}});
  b.presets = {{"Var", 1, 8, {z}}, {"One", 1, 0, {z}}, {"Two", 2, 8, {z}}, {"Two'", 2, 9, {z}},
               {"Kit", 16, 128, {z}}, {"Odd", 200, 0, {z}}};
  ImportPlan plan = Plan(b);
  ASSERT_EQ(plan.files.size(), 256u);  // with stand-ins for everything else
  EXPECT_EQ(File(plan, "1.PRG").presetName, "One");
  EXPECT_EQ(File(plan, "2.PRG").presetName, "Two");
  EXPECT_EQ(File(plan, "D16.PRG").presetName, "Kit");
  for (const char* own : {"1.PRG", "2.PRG", "D16.PRG"}) EXPECT_EQ(File(plan, own).standIn, "") << own;
}

TEST(PresetPlan, ProgramsAndKitsTheBankLacksGetStandIns) {
  struct Case {
    std::vector<int> programs, kits;  // presets "P<n>" in bank 0 and "K<n>" in bank 128
    size_t files;
    std::vector<std::pair<std::string, std::string>> plays;  // file, preset that stands in
  };
  const std::vector<Case> cases = {
      // The nearest program of the family of eight (the lower on a tie), else program 0; kit 0.
      {{0, 2, 5, 17}, {0, 8}, 256,
       {{"1.PRG", "P0"}, {"3.PRG", "P2"}, {"4.PRG", "P5"}, {"7.PRG", "P5"}, {"8.PRG", "P0"},
        {"16.PRG", "P17"}, {"99.PRG", "P0"}, {"D25.PRG", "K0"}, {"D127.PRG", "K0"}}},
      // Neither the family nor program 0: the lowest program; no kit 0: the lowest kit.
      {{99, 40}, {16, 8}, 256, {{"0.PRG", "P40"}, {"100.PRG", "P99"}, {"D0.PRG", "K8"}, {"D25.PRG", "K8"}}},
      // No kit at all: no kit is made up.
      {{3}, {}, 128, {{"0.PRG", "P3"}, {"127.PRG", "P3"}}},
  };
  for (const Case& c : cases) {
    Sf2Builder b;
    b.samples = {Looped("S")};
    b.instruments.push_back({"I", {Zn({{53, 0}})}});
    for (int p : c.programs) b.presets.push_back({std::string("P").append(std::to_string(p)), uint16_t(p), 0, {Zn({{41, 0}})}});
    for (int k : c.kits) b.presets.push_back({std::string("K").append(std::to_string(k)), uint16_t(k), 128, {Zn({{41, 0}})}});
    const ImportPlan plan = Plan(b);
    EXPECT_EQ(plan.files.size(), c.files);
    for (const auto& [name, preset] : c.plays) {
      const PlannedFile& f = File(plan, name);
      EXPECT_EQ(f.presetName, preset) << name;
      EXPECT_NE(f.standIn, "") << name;
    }
    EXPECT_EQ(plan.sources.size(), 1u);
    EXPECT_EQ(plan.warnings.empty(), !c.kits.empty());
  }
}

TEST(PresetPlan, EveryKeyFindsALayerMutedWhereTheBankHasNoSound) {
  Sf2Builder b;
  b.samples = {Looped("Low", 10)};
  b.instruments.push_back({"I", {Zn({{43, Range(0, 20)}, {53, 0}})}});
  b.presets.push_back({"Melodic", 0, 0, {Zn({{41, 0}})}});
  b.presets.push_back({"Kit", 0, 128, {Zn({{41, 0}})}});
  ImportPlan plan = Plan(b);
  const PlannedFile& melodic = File(plan, "0.PRG");
  // Keys 21-94 play the nearest layer (within seven octaves of its base key 10), 95-127 are muted.
  ASSERT_EQ(melodic.fillLines.size(), 2u);
  EXPECT_EQ(melodic.fillLines[0].keyLow, 21);
  EXPECT_EQ(melodic.fillLines[0].keyHigh, 94);
  EXPECT_FALSE(melodic.fillLines[0].voice.muted);
  EXPECT_EQ(melodic.fillLines[1].keyLow, 95);
  EXPECT_EQ(melodic.fillLines[1].keyHigh, 127);
  EXPECT_TRUE(melodic.fillLines[1].voice.muted);
  const PlannedFile& kit = File(plan, "D0.PRG");
  ASSERT_EQ(kit.fillLines.size(), 1u);
  EXPECT_EQ(kit.fillLines[0].keyLow, 21);
  EXPECT_TRUE(kit.fillLines[0].voice.muted);
}
