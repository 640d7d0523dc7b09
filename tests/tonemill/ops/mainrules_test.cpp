// The main window's rules without a window: what a selected file enables, the captions that
// follow the selector, the list's filter and size column, the play clock, the About box's
// figures and the run form's parameters.
#include "tonemill/ops/mainrules.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <random>
#include <set>

namespace tonemill {
namespace {

// The enabled operations as letters: Play Scan Edit conVert pRint Copy Move Delete.
std::string Letters(const Operations& o) {
  std::string s;
  const std::pair<bool, char> buttons[] = {{o.Play, 'P'},    {o.Scan, 'S'},  {o.Edit, 'E'},
                                           {o.Convert, 'V'}, {o.Print, 'R'}, {o.Copy, 'C'},
                                           {o.Move, 'M'},    {o.Delete, 'D'}};
  for (const auto& [on, letter] : buttons)
    if (on) s += letter;
  return s;
}

TEST(MainRules, EnablingTableForEverySelectorAndExtension) {
  const char* files[] = {"a.mid", "b.LST", "c.wav", "d.prg", "e.dft", "f.txt", "noext", "g.FLAC"};
  // What each selector enables for each file besides Copy, Move and Delete; the rest: those.
  const std::map<Selector, std::map<std::string, std::string>> table = {
      {Selector::MID, {{"a.mid", "PSEVR"}}},
      {Selector::LST, {{"b.LST", "EVR"}}},
      {Selector::Song, {{"c.wav", "PSE"}, {"g.FLAC", "PS"}}},
      {Selector::PRG, {{"d.prg", "EVR"}}},
      {Selector::WAV, {{"c.wav", "PSV"}, {"g.FLAC", "PS"}}},
      {Selector::Temp,
       {{"a.mid", "PSEVR"}, {"b.LST", "PSEVR"}, {"c.wav", "PSEVR"}, {"d.prg", "PSEVR"},
        {"e.dft", "PSEVR"}, {"f.txt", "PSEVR"}, {"noext", "PSEVR"}, {"g.FLAC", "PSEVR"}}},
      {Selector::DFT, {{"e.dft", "V"}}},
  };
  for (Selector s : kSelectors) {
    for (const char* f : files) {
      const auto row = table.at(s).find(f);
      const std::string expected = (row == table.at(s).end() ? "" : row->second) + "CMD";
      EXPECT_EQ(Letters(EnabledOperations(s, std::string("/songs/") + f, true)), expected)
          << SelectorName(s) << " " << f;
      EXPECT_EQ(Letters(EnabledOperations(s, f, false)), "") << "nothing selected";
    }
  }
  // The extension is the file name's, not a directory's.
  EXPECT_EQ(Letters(EnabledOperations(Selector::MID, "/a.mid/song", true)), "CMD");
  EXPECT_EQ(Letters(EnabledOperations(Selector::MID, "/m/SONG.MiD", true)), "PSEVRCMD");
  for (Selector s : kSelectors) {
    EXPECT_STREQ(ConvertCaption(s), s == Selector::PRG ? "Make WAVs" : "Convert");
    EXPECT_STREQ(PrintCaption(s), s == Selector::MID ? "Make WAVs" : "Print");
  }
}

TEST(MainRules, FilterAndSizeColumn) {
  const struct {
    const char* name;
    std::vector<std::string> patterns;
    bool matches;
  } matches[] = {
      {"song.mid", {"*.MID"}, true},          {"SONG.Mid", {"*.mid"}, true},
      {"song.midi", {"*.MID"}, false},        {"noext", {"*.*"}, true},
      {".hidden.mid", {"*.*", "*.MID"}, false}, {".song.mid.tmp-AbC123", {"*.*"}, false},
      {"a.wav", {"*.MID", "*.WAV"}, true},    {"a?.wav", {"a?.WAV"}, true},
  };
  for (const auto& m : matches) EXPECT_EQ(MatchesFilter(m.name, m.patterns), m.matches) << m.name;
  const std::vector<FilterChoice> filter = ParseFilter(kFileFilter);
  ASSERT_EQ(filter.size(), 7u);
  EXPECT_EQ(filter[0].patterns, std::vector<std::string>{"*.*"});
  EXPECT_EQ(filter[5].caption, "DFT (*.DFT)");
  EXPECT_EQ(filter[5].patterns, std::vector<std::string>{"*.DFT"});
  for (const char* name : {"a.flac", "b.OGG", "c.opus", "d.mp3", "e.aif", "f.aiff", "g.wav"})
    EXPECT_TRUE(MatchesFilter(name, filter[6].patterns)) << name;
  EXPECT_FALSE(MatchesFilter("h.mid", filter[6].patterns));

  const std::pair<uint64_t, const char*> sizes[] = {
      {0, "0"}, {999, "999"}, {1000, "1,000"}, {123456789, "123,456,789"}};
  for (const auto& [size, text] : sizes) EXPECT_EQ(SizeText(size, true), text);
  EXPECT_EQ(SizeText(1234567, false), "1234567");
  // Offset modes: at the position, from the item's right edge, after the previous column.
  EXPECT_EQ(ColumnRight(0, 150, 400, 100, 60), 150);
  EXPECT_EQ(ColumnRight(1, -10, 400, 100, 60), 390);
  EXPECT_EQ(ColumnRight(2, 6, 400, 100, 60), 166);
  EXPECT_EQ(MainSizePos(11), 6);
  EXPECT_EQ(MainSizePos(12), -10);
}

TEST(MainRules, NaturalOrder) {
  std::vector<std::string> names = {"100.prg", "10.prg", "b.wav", "2.prg", "A.wav", "1.prg",
                                    "0.prg",   "a.WAV",  "take 9.wav", "take 10.wav", "01.prg"};
  std::sort(names.begin(), names.end(), NaturalLess);
  const std::vector<std::string> expected = {"0.prg",   "01.prg", "1.prg",      "2.prg",
                                             "10.prg",  "100.prg", "A.wav",     "a.WAV",
                                             "b.wav",   "take 9.wav", "take 10.wav"};
  EXPECT_EQ(names, expected);
  // Accented letters sort beside their base letter, whatever their case; a lone byte of a
  // broken sequence sorts as itself.
  names = {"zebra.wav", "\xC3\x89tude 10.wav", "etude 9.wav", "\xC3\xA9tude 2.wav", "\xC5\x81\xC3\xB3" "d\xC5\xBA.wav",
           "lamp.wav", "\xC3.wav", "waltz.wav"};
  std::sort(names.begin(), names.end(), NaturalLess);
  EXPECT_EQ(names, (std::vector<std::string>{"\xC3\xA9tude 2.wav", "etude 9.wav", "\xC3\x89tude 10.wav", "lamp.wav",
                                             "\xC5\x81\xC3\xB3" "d\xC5\xBA.wav", "waltz.wav", "zebra.wav", "\xC3.wav"}));
  // Long digit runs compare by value without overflowing.
  EXPECT_TRUE(NaturalLess("x99999999999999999999999", "x100000000000000000000000"));
}

TEST(MainRules, PlayClockAndAboutBox) {
  const std::pair<int64_t, const char*> clock[] = {
      {0, "00:00:00"},       {999, "00:00:00"}, {61000, "00:01:01"}, {3599999, "00:59:59"},
      {int64_t(123) * 3600000 + 4 * 60000 + 5000, "23:04:05"}};  // hours modulo 100
  for (const auto& [ms, text] : clock) EXPECT_EQ(PlayClock(ms), text) << ms;
  // Nine pictures, each reachable, never one twice in a row.
  std::set<int> seen;
  int previous = -1;
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    const int next = NextPicture(previous, random());
    ASSERT_TRUE(next != previous && next >= 0 && next < 9) << next;
    seen.insert(next);
    previous = next;
  }
  EXPECT_EQ(seen.size(), 9u);
  EXPECT_EQ(FreeRamKb(uint64_t(8) << 30, 25), uint64_t(6291456));
  EXPECT_EQ(FreeRamKb(1024000, 100), uint64_t(0));
}

TEST(MainRules, RunFormParameters) {
  const struct {
    RunParameters parameters;
    std::string text;
    std::vector<std::string> list;
  } cases[] = {
      {{"/m/MID", {"/m/PRG", "/m/WAV", "/m/Song"}, true},
       "/m/MID /m/PRG /m/WAV /m/Song .",
       {"/m/MID", "/m/PRG", "/m/WAV", "/m/Song", "."}},
      {{"/m/MID", {"/m/PRG"}, false}, "/m/MID .", {"/m/MID", "."}},
      {{"", {"/m/PRG", "/m/WAV"}, true}, " /m/PRG /m/WAV .", {"/m/PRG", "/m/WAV", "."}},
      // A directory is one argument whatever it holds.
      {{"/my songs", {"/PRG $(x); 'q'"}, true}, "/my songs /PRG $(x); 'q' .",
       {"/my songs", "/PRG $(x); 'q'", "."}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParameterString(c.parameters), c.text);
    EXPECT_EQ(ParameterList(c.parameters), c.list) << c.text;
  }
}

// The window's place: read only when whole, written back only where it changed, and put back
// within the screen it is restored on.
TEST(MainRules, WindowPlace) {
  using Keys = std::map<std::string, std::string>;
  EXPECT_EQ(PlaceOfKeys({{"Left", "-20"}, {"Top", "30"}, {"Width", "900"}, {"Height", "600"}, {"Maximized", "1"}}),
            (WindowPlace{-20, 30, 900, 600, true}));
  for (const Keys& bad : {Keys{{"Left", "1"}, {"Top", "2"}, {"Width", "3"}},
                          Keys{{"Left", "1"}, {"Top", "2"}, {"Width", "3x"}, {"Height", "4"}},
                          Keys{{"Left", "1"}, {"Top", "2"}, {"Width", "0"}, {"Height", "4"}},
                          Keys{{"Left", "-"}, {"Top", "2"}, {"Width", "3"}, {"Height", "4"}}})
    EXPECT_FALSE(PlaceOfKeys(bad));
  const WindowPlace place{10, 20, 800, 600, false};
  EXPECT_EQ(ChangedKeys(place, {}).size(), 5u);
  EXPECT_EQ(ChangedKeys(place, {{"Left", "10"}, {"Top", "20"}, {"Width", "801"}, {"Height", "600"}, {"Maximized", "0"}}),
            (std::vector<std::pair<std::string, std::string>>{{"Width", "800"}}));
  const WindowPlace area{0, 24, 1280, 696, false};
  const struct {
    WindowPlace place;
    int minWidth, minHeight;
    WindowPlace restored;
  } cases[] = {
      {{100, 100, 800, 500, false}, 400, 300, {100, 100, 800, 500, false}},   // fits: as it was
      {{-3000, 5000, 800, 500, true}, 400, 300, {0, 220, 800, 500, true}},    // off the screen: moved in
      {{900, 600, 800, 500, false}, 400, 300, {480, 220, 800, 500, false}},   // hanging over: moved back
      {{50, 50, 4000, 3000, false}, 400, 300, {0, 24, 1280, 696, false}},     // too large: the area
      {{50, 50, 4000, 3000, false}, 1400, 300, {0, 24, 1400, 696, false}},    // the minimum wins
  };
  for (const auto& c : cases) EXPECT_EQ(ClampedPlace(c.place, area, c.minWidth, c.minHeight), c.restored);
}

}  // namespace
}  // namespace tonemill
