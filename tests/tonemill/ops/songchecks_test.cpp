// The checks the render and Convert dialogs share with the command line, answered by script.
#include "platform/messages.h"
#include "tonemill/ops/songchecks.h"
#include "tonemill/ops/songpipeline.h"
#include "tonemill/ops/targets.h"
#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tonemill::ops {
namespace {

using platform::Answer;
using testing_support::TempDir;
using testing_support::WriteBytes;
using testing_support::WriteText;

std::string MessageOf(const std::optional<Problem>& p) { return p ? p->MessageWithReason() : ""; }

TEST(SongChecks, MidiProbeWithTheReason) {
  TempDir dir;
  WriteText(dir.File("text.mid"), "RIFF....not a song");
  WriteBytes(dir.File("f2.mid"), testing_support::MidiFile(2, 96, {testing_support::MidiTrack().EndOfTrack()}));
  WriteBytes(dir.File("short.mid"), {'M', 'T', 'h', 'd'});
  ASSERT_EQ(::mkfifo(dir.File("fifo.mid").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"none.mid", "File not found! (no such file or directory)"},
      {"", "File not found! (is a directory)"},
      {"fifo.mid", "File not found! (not a regular file)"},
      {"text.mid", "Source file is not Standard MIDI!"},
      {"f2.mid", "Unsupported MIDI format!"},
      {"short.mid", "Premature end of source file!"},
  };
  for (const auto& [name, message] : cases) EXPECT_EQ(MessageOf(CheckMidiFile(dir.File(name))), message) << name;
}

TEST(SongChecks, ClashesFollowLinks) {
  TempDir dir;
  const std::string mid = dir.File("m.mid"), lst = dir.File("m.lst");
  WriteText(mid, "x");
  WriteText(lst, "y");
  std::filesystem::create_symlink(mid, dir.File("alias.wav"));
  std::filesystem::create_hard_link(lst, dir.File("hard.wav"));
  std::filesystem::create_symlink(mid, dir.File("alias.lst"));
  const std::pair<SongPaths, std::string> cases[] = {
      {{mid, lst, dir.File("alias.wav")}, "WAV can't overwrite MID!"},
      {{mid, lst, dir.File("hard.wav")}, "WAV can't overwrite LST!"},
      {{mid, dir.File("alias.lst"), ""}, "LST can't overwrite MID!"},
      {{mid, dir.File("./m.mid"), ""}, "LST can't overwrite MID!"},
      {{mid, lst, dir.File("new.wav")}, ""},
  };
  for (const auto& [paths, message] : cases)
    EXPECT_EQ(MessageOf(CheckSongPathClashes(paths)), message) << paths.wav << " " << paths.lst;
  EXPECT_EQ(MessageOf(CheckConvertTarget(mid, dir.File("alias.wav"))), "Can't overwrite source file!");
  EXPECT_EQ(MessageOf(CheckConvertTarget(mid, "bare.wav")), "Not a valid file name: bare.wav");
  EXPECT_EQ(MessageOf(UnwritableTarget("/dev/null")),
            "Can't write /dev/null: it exists and is not a regular file");
}

TEST(SongChecks, ProposedNamesAndVolumes) {
  EXPECT_EQ(ProposedTarget("/s", "/m/Piano.Take2.mid", ".wav"), "/s/piano.wav");
  EXPECT_EQ(ProposedTarget("/s/", "/m/ÜBER Track 01.MID", ".wav"), "/s/Über track 01.wav");
  EXPECT_EQ(ShortProposedTarget("/m", "/x/song.mid"), "/m/song0.mid");
  EXPECT_EQ(ShortProposedTarget("/m", "/x/seven77.mid"), "/m/seven770.mid");
  EXPECT_EQ(ShortProposedTarget("/m", "/x/LongNames.mid"), "/m/longnam0.mid");
  for (const char* text : {"0", "1.0", "99", "99.0", " 2"}) EXPECT_TRUE(ParseVolume(text)) << text;
  for (const char* text : {"100", "-0.1", "abc", ""}) EXPECT_FALSE(ParseVolume(text)) << text;
  EXPECT_EQ(ParseVolume("99")->bytes, Real48::FromDouble(99.0).bytes);
  EXPECT_TRUE(CheckSongFormat({{22050, 8, 1}}) == std::nullopt);
  EXPECT_EQ(MessageOf(CheckSongFormat({{48000, 16, 2}})), "Illegal output format!");
}

TEST(SongChecks, OverwriteQuestions) {
  TempDir dir;
  WriteText(dir.File("old.wav"), "x");
  platform::ScriptedMessages script({Answer::Ok, Answer::Cancel});
  platform::MessageScope scope(script);
  EXPECT_EQ(AskToOverwrite(dir.File("new.wav")), Overwrite::Refuse);  // nothing asked
  EXPECT_EQ(AskToOverwrite(dir.File("old.wav")), Overwrite::Replace);
  EXPECT_EQ(AskToOverwriteFile(dir.File("old.wav")), std::nullopt);
  EXPECT_EQ(script.Texts(), (std::vector<std::string>{
                                "Existing file " + dir.File("old.wav") + " will be overwritten!",
                                "File " + dir.File("old.wav") + " will be overwritten!"}));
}

TEST(SongChecks, SampleCheckAsksOnceForEachMissingSample) {
  TempDir dir;
  testing_support::WriteWav(dir.File("HERE.WAV"), {22050, 16, 1}, {1, 2, 3});
  const std::string block = "[\r\n60\r\n0 ON 1\r\n10 OFF 1\r\n]\r\n";
  std::string lst = "10\r\n";
  for (const char* sample : {"GONE1", "HERE", "GONE2", "GONE3"}) lst += "{\r\n" + std::string(sample) + " x\r\n" + block + "}\r\n";
  WriteText(dir.File("s.lst"), lst);
  struct Case {
    std::deque<Answer> answers;
    size_t questions;
    std::string output;
    std::string message;
  };
  const Case cases[] = {
      {{Answer::Ok, Answer::Ok, Answer::Ok}, 3, "", "Sample file(s) missing. Aborting."},
      {{Answer::Ok, Answer::Abort}, 2, "", "Sample file(s) missing. Aborting."},
      {{}, 1, dir.File("HERE.WAV"), "Sample file(s) missing. Aborting."},  // abort comes first
  };
  for (const Case& c : cases) {
    platform::ScriptedMessages script(c.answers);
    platform::MessageScope scope(script);
    EXPECT_EQ(MessageOf(CheckSamples(dir.File("s.lst"), "s.lst", dir.Dir(), dir.Dir(), c.output)), c.message);
    EXPECT_EQ(script.Shown().size(), c.questions);
  }
  WriteText(dir.File("one.lst"), "10\r\n{\r\nHERE x\r\n" + block + "}\r\n");
  EXPECT_EQ(MessageOf(CheckSamples(dir.File("one.lst"), "one.lst", dir.Dir(), "", dir.File("./HERE.WAV"))),
            "Can't overwrite source file!");
  EXPECT_EQ(CheckSamples(dir.File("one.lst"), "one.lst", dir.Dir(), "", dir.File("song.wav")), std::nullopt);
}

}  // namespace
}  // namespace tonemill::ops
