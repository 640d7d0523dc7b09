// The main window's copy, move, group and delete operations, with questions answered by script.
#include "platform/messages.h"
#include "tests/support/testfiles.h"
#include "tonemill/ops/fileoperations.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tonemill::ops {
namespace {

namespace fs = std::filesystem;
using platform::Answer;
using testing_support::TempDir;
using testing_support::WriteText;

std::string Read(const std::string& path) {
  const std::vector<uint8_t> bytes = testing_support::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
std::string MessageOf(const std::optional<Problem>& p) { return p ? p->MessageWithReason() : ""; }

// Answers from a script for its lifetime.
struct Script {
  explicit Script(std::deque<Answer> answers = {}) : messages(std::move(answers)), scope(messages) {}
  platform::ScriptedMessages messages;
  platform::MessageScope scope;
};

class MainFileOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* d : {"MID", "WAV", "Temp"}) fs::create_directory(dir.File(d));
    WriteText(song, "the song");
  }
  TempDir dir;
  const std::string song = dir.File("MID/song.mid");
};

TEST_F(MainFileOperations, TheSourceUnderAnyNameIsRefused) {
  fs::create_hard_link(song, dir.File("WAV/link.mid"));
  const std::pair<std::string, std::string> targets[] = {
      {dir.File("MID"), "Can't overwrite source file!"},  // the directory takes the name along
      {song, "Can't overwrite source file!"},
      {dir.File("MID/../MID/song.mid"), "Can't overwrite source file!"},
      {dir.File("WAV/link.mid"), "Can't overwrite source file!"},
      {"relative-name", "Invalid file name!"},
      {dir.File("WAV"), ""},
  };
  for (const auto& [to, message] : targets) {
    EXPECT_EQ(MessageOf(CheckTransferTarget(song, to)), message) << to;
    if (message != "Can't overwrite source file!") continue;
    Script script({Answer::Yes});  // OK refuses it too, even were the question answered Yes
    EXPECT_FALSE(TransferFile(Transfer::Copy, song, to)) << to;
    EXPECT_EQ(script.messages.Texts(), std::vector<std::string>{message}) << to;
  }
  EXPECT_EQ(TransferTarget(song, dir.File("WAV")), dir.File("WAV/song.mid"));
  EXPECT_EQ(MessageOf(CheckTransferSource(dir.File("MID/none.mid"))),
            "File not found! (no such file or directory)");
  EXPECT_EQ(Read(song), "the song");
}

TEST_F(MainFileOperations, CopyAndMoveAskBeforeOverwritingAndSayWhyTheyFail) {
  const std::string target = dir.File("WAV/song.mid");
  WriteText(target, "old");
  {
    Script script({Answer::No});
    EXPECT_FALSE(TransferFile(Transfer::Copy, song, target));
    EXPECT_EQ(script.messages.Texts(),
              (std::vector<std::string>{"Overwrite file " + target + "?", "Can't copy file!"}));
    EXPECT_EQ(Read(target), "old");
  }
  {
    Script script({Answer::Yes});
    EXPECT_TRUE(TransferFile(Transfer::Move, song, dir.File("WAV")));
    EXPECT_EQ(Read(target), "the song");
    EXPECT_FALSE(fs::exists(song));
  }
  // Into a directory that takes no new file: the failure with its reason, the file stays.
  Script script;
  EXPECT_FALSE(TransferFile(Transfer::Copy, target, dir.File("none/x.mid")));
  ASSERT_EQ(script.messages.Texts().size(), 1u);
  const std::string shown = script.messages.Texts()[0];
  EXPECT_EQ(shown.rfind("Cannot create file " + dir.File("none/x.mid"), 0), 0u) << shown;
  EXPECT_TRUE(shown.ends_with("(no such file or directory)")) << shown;
  EXPECT_EQ(Read(target), "the song");
}

TEST_F(MainFileOperations, SameDirectoryUnderAnotherName) {
  fs::create_directory_symlink(dir.File("MID"), dir.File("alias"));
  EXPECT_TRUE(SameDirectory(dir.File("MID"), dir.File("alias")));
  EXPECT_FALSE(SameDirectory(dir.File("MID"), dir.File("WAV")));
  EXPECT_FALSE(SameDirectory(dir.File("MID"), dir.File("missing")));
  EXPECT_FALSE(SameDirectory(dir.File("MID"), ""));
}

TEST_F(MainFileOperations, GroupsGoFromTheLastFileWithAllAbortAndFailures) {
  std::vector<std::string> files;
  for (const char* n : {"a", "b", "c", "d", "e"}) {
    WriteText(dir.File(std::string("MID/") + n + ".mid"), std::string("new ") + n);
    files.push_back(dir.File(std::string("MID/") + n + ".mid"));
  }
  auto temp = [&](const char* n) { return dir.File(std::string("Temp/") + n + ".mid"); };
  auto reset = [&] {
    for (const char* n : {"a", "c", "d", "e"}) WriteText(temp(n), "old");
    fs::remove(temp("b"));
  };
  reset();
  {
    // e No, d All, then c, b and a without a question.
    Script script({Answer::No, Answer::All});
    const GroupOutcome outcome = TransferGroup(Transfer::Copy, files, dir.File("Temp"));
    EXPECT_EQ(script.messages.Texts(), (std::vector<std::string>{"Overwrite file " + temp("e") + "?",
                                                                 "Overwrite file " + temp("d") + "?"}));
    EXPECT_EQ(Read(temp("e")), "old");
    for (const char* n : {"a", "b", "c", "d"}) EXPECT_EQ(Read(temp(n)), std::string("new ") + n);
    EXPECT_EQ(outcome.transferred, 4);
  }
  reset();
  {
    Script script({Answer::Yes, Answer::Abort});
    const GroupOutcome outcome = TransferGroup(Transfer::Copy, files, dir.File("Temp"));
    EXPECT_EQ(script.messages.Texts().size(), 2u);
    EXPECT_EQ(Read(temp("e")), "new e");
    for (const char* n : {"a", "c", "d"}) EXPECT_EQ(Read(temp(n)), "old");
    EXPECT_FALSE(fs::exists(temp("b")));
    EXPECT_TRUE(outcome.aborted);
  }
  // A file gone before the walk reaches it: its failure and reason with OK or Abort; OK goes on.
  fs::remove(files[1]);
  Script script({Answer::Ok});
  const GroupOutcome outcome =
      TransferGroup(Transfer::Move, {files[0], files[1], files[2]}, dir.File("WAV"));
  ASSERT_EQ(script.messages.Texts().size(), 1u);
  EXPECT_NE(script.messages.Texts()[0].find("no such file or directory"), std::string::npos);
  EXPECT_EQ(script.messages.Shown()[0].buttons, platform::Buttons::OkAbort);
  EXPECT_TRUE(fs::exists(dir.File("WAV/a.mid")) && fs::exists(dir.File("WAV/c.mid")));
  EXPECT_FALSE(fs::exists(files[0]) || fs::exists(files[2]));
  EXPECT_EQ(outcome.transferred, 2);
  EXPECT_EQ(outcome.failed, 1);
  EXPECT_FALSE(outcome.aborted);
}

TEST_F(MainFileOperations, DeleteAsksAndReportsWhatFailed) {
  {
    Script script({Answer::No});
    EXPECT_FALSE(DeleteOneFile(song));
    EXPECT_EQ(script.messages.Texts(), std::vector<std::string>{"Delete " + song + "?"});
    EXPECT_TRUE(fs::exists(song));
  }
  const std::string gone = dir.File("MID/gone.mid"), other = dir.File("MID/other.mid");
  WriteText(other, "x");
  Script script({Answer::Yes, Answer::Ok});
  EXPECT_EQ(DeleteFiles({song, gone, other}), 2);
  ASSERT_EQ(script.messages.Texts().size(), 2u);
  EXPECT_EQ(script.messages.Texts()[0], "Delete all selected files?");
  EXPECT_EQ(script.messages.Texts()[1], "Can't delete file " + gone + " (no such file or directory)");
  EXPECT_FALSE(fs::exists(song) || fs::exists(other));
}

}  // namespace
}  // namespace tonemill::ops
