// The patch files: default files, reading with its repairs, the vocoder's 33-line patches,
// and writing back.
#include "tests/support/testfiles.h"
#include "tonemill/effects/effectpatches.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

using namespace tonemill;
using namespace testing_support;

namespace {

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(PatchFile, MissingFilesAreCreatedWithTheDefaultPatch) {
  TempDir dir;
  const std::pair<EffectKind, std::string> defaults[] = {
      {EffectKind::Echo, "Default 100.0 50.0 100.00"},
      {EffectKind::Flange, "Default 1.000 1.000 1.0 0.00 1.00 1.0"},
      {EffectKind::Chorus, "Default 1.000 1.000 0.00 1.00 1.0"},
      {EffectKind::Reverb, "Default 250.00 0.00 20 20 46 48 50 52 53 55 46 48 50 52 53 55 1"}};
  for (const auto& [kind, line] : defaults) {
    const std::string path = dir.File(LayoutOf(kind).fileName);
    std::vector<Patch> patches;
    Problem problem;
    ASSERT_TRUE(ReadPatches(path, LayoutOf(kind), patches, problem)) << problem.Text();
    EXPECT_EQ(Text(ReadBytes(path)), line + "\r\n");
    ASSERT_EQ(patches.size(), 1u);
    EXPECT_EQ(patches[0], DefaultPatch(LayoutOf(kind)));
  }
  // The vocoder's head line and 32 band lines from the default centre table.
  std::vector<Patch> patches;
  Problem problem;
  const std::string path = dir.File("VOCODER.INI");
  ASSERT_TRUE(ReadPatches(path, LayoutOf(EffectKind::Vocoder), patches, problem));
  const std::string text = Text(ReadBytes(path));
  const std::string head = "Default 1.000 10.00 32\r\n780 390 780 390 1.0\r\n1040 260 1040 260 1.0\r\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_NE(text.find("\r\n8060 260 8060 260 1.0\r\n10700 1450 10700 1450 1.0\r\n13350 2645 13350 "
                      "2645 1.0\r\n16000 2650 16000 2650 1.0\r\n"),
            std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 33);
}

TEST(PatchFile, ReadingRepairsWhatItCannotUse) {
  const PatchLayout& echo = LayoutOf(EffectKind::Echo);
  const std::vector<Patch> patches = ParsePatches(
      "Slap_back   50   0 80\r\n"
      "\r\n"
      "   \r\n"
      "Too_much 150 -99.96 -5\r\n"
      "Short 12.25\n"
      "Words x y z\r\n",
      echo);
  ASSERT_EQ(patches.size(), 4u);
  EXPECT_EQ(patches[0], (Patch{"Slap back", {"50.0", "0.0", "80.00"}, {}}));
  // Out of range: the column's default; values are kept with the column's decimals.
  EXPECT_EQ(patches[1], (Patch{"Too much", {"100.0", "50.0", "100.00"}, {}}));
  EXPECT_EQ(patches[2], (Patch{"Short", {"12.3", "50.0", "100.00"}, {}}));
  EXPECT_EQ(patches[3], (Patch{"Words", {"100.0", "50.0", "100.00"}, {}}));
  // Nothing usable: the default patch.
  EXPECT_EQ(ParsePatches("\r\n  \r\n", echo), std::vector<Patch>{DefaultPatch(echo)});
  // The reverb's algorithm is a whole number from 1 to 4; levels -1000 to 1000.
  const PatchLayout& reverb = LayoutOf(EffectKind::Reverb);
  const Patch r = ParsePatches("Room 300 5 -1000 1001 0 99 100 -1 50 50 1 2 3 4 5 6 2.5\n", reverb)[0];
  EXPECT_EQ(r.values, (std::vector<std::string>{"300.00", "5.00", "-1000", "20", "0", "99", "50", "52",
                                                "50", "50", "1", "2", "3", "4", "5", "6", "1"}));
}

TEST(PatchFile, VocoderPatchesTakeTheirBandLinesWhateverTheyHold) {
  const PatchLayout& layout = LayoutOf(EffectKind::Vocoder);
  std::string text = "Robot 2.5 0.05 8\r\n";
  text += "100 50 200 60 0.25\r\n";
  text += "x 50000 300\r\n";  // band 2: a bad centre, a width too high, one value missing
  for (int b = 2; b < 32; ++b) text += "1000 100 1000 100 2\r\n";
  text += "Second 1 10 32\r\n";  // its band lines are missing altogether
  const std::vector<Patch> patches = ParsePatches(text, layout);
  ASSERT_EQ(patches.size(), 2u);
  // The time is outside 0.1-100 ms: its default.
  EXPECT_EQ(patches[0].values, (std::vector<std::string>{"2.500", "10.00", "8"}));
  EXPECT_EQ(patches[0].bands[0], (std::vector<std::string>{"100", "50", "200", "60", "0.25"}));
  EXPECT_EQ(patches[0].bands[1], (std::vector<std::string>{"1040", "260", "300", "260", "1.0"}));
  EXPECT_EQ(patches[0].bands[31], (std::vector<std::string>{"1000", "100", "1000", "100", "2"}));
  EXPECT_EQ(patches[1].bands, DefaultPatch(layout).bands);
  // Written back and read again, nothing changes.
  EXPECT_EQ(ParsePatches(PatchFileText(layout, patches), layout), patches);
}

TEST(PatchFile, WritingReplacesTheWholeFile) {
  TempDir dir;
  const PatchLayout& layout = LayoutOf(EffectKind::Chorus);
  const std::string path = dir.File("CHORUS.INI");
  std::vector<Patch> patches{DefaultPatch(layout), {"Wide and slow", {"0.800", "0.600", "-2.00", "8.00", "0.3"}, {}}};
  Problem problem;
  ASSERT_TRUE(WritePatches(path, layout, patches, problem));
  EXPECT_EQ(Text(ReadBytes(path)),
            "Default 1.000 1.000 0.00 1.00 1.0\r\nWide_and_slow 0.800 0.600 -2.00 8.00 0.3\r\n");
  std::vector<Patch> read;
  ASSERT_TRUE(ReadPatches(path, layout, read, problem));
  EXPECT_EQ(read, patches);
  EXPECT_EQ(FindPatch(read, "Wide and slow"), std::optional<size_t>(1));
  // A patch file that is a directory cannot be read, and is not replaced.
  std::filesystem::create_directory(dir.File("ECHO.INI"));
  EXPECT_FALSE(ReadPatches(dir.File("ECHO.INI"), LayoutOf(EffectKind::Echo), read, problem));
}

TEST(PatchFile, AWriterAppliesOnlyItsOwnChange) {
  TempDir dir;
  const PatchLayout& layout = LayoutOf(EffectKind::Chorus);
  const std::string path = dir.File("CHORUS.INI");
  auto named = [&layout](const char* name, const char* rate) {
    Patch p = DefaultPatch(layout);
    p.name = name;
    p.values.back() = rate;
    return p;
  };
  const std::vector<Patch> read{DefaultPatch(layout), named("A", "1.0"), named("B", "2.0"), named("E", "5.0")};
  const std::vector<Patch> now{DefaultPatch(layout), named("A", "1.5"), named("E", "5.0"), named("C", "3.0")};
  const PatchChange change = ChangeBetween(read, now);
  EXPECT_EQ(change.put, (std::vector<Patch>{named("A", "1.5"), named("C", "3.0")}));
  EXPECT_EQ(change.removed, std::vector<std::string>{"B"});
  // Meanwhile another writer added D and changed E: both stay.
  Problem problem;
  ASSERT_TRUE(WritePatches(path, layout, {DefaultPatch(layout), named("A", "1.0"), named("B", "2.0"),
                                          named("D", "4.0"), named("E", "6.0")}, problem));
  ASSERT_TRUE(ApplyPatchChange(path, layout, change, problem)) << problem.Text();
  std::vector<Patch> after;
  ASSERT_TRUE(ReadPatches(path, layout, after, problem));
  EXPECT_EQ(after, (std::vector<Patch>{DefaultPatch(layout), named("A", "1.5"), named("D", "4.0"),
                                       named("E", "6.0"), named("C", "3.0")}));
  // The first patch is never removed.
  ASSERT_TRUE(ApplyPatchChange(path, layout, {{}, {"Default"}}, problem));
  ASSERT_TRUE(ReadPatches(path, layout, after, problem));
  EXPECT_EQ(after.front(), DefaultPatch(layout));
}

TEST(PatchFile, ConcurrentWritersNeverLoseEachOthersPatches) {
  TempDir dir;
  const PatchLayout& layout = LayoutOf(EffectKind::Echo);
  const std::string path = dir.File("ECHO.INI");
  constexpr int kWriters = 8;
  std::vector<pid_t> children;
  for (int i = 0; i < kWriters; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      Patch p = DefaultPatch(layout);
      p.name = "R " + std::to_string(i);
      Problem problem;
      bool ok = true;
      // Each writer saves its patch a few times, as repeated runs would.
      for (int k = 0; k < 5 && ok; ++k) ok = ApplyPatchChange(path, layout, {{p}, {}}, problem);
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::vector<Patch> patches;
  Problem problem;
  ASSERT_TRUE(ReadPatches(path, layout, patches, problem));
  EXPECT_EQ(patches.size(), size_t(kWriters + 1));
}

}  // namespace
