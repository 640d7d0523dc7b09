// The output job: what each end of the work puts into place, what a refusal leaves, and that no
// temporary file outlives the job.
#include "platform/messages.h"
#include "tests/support/testfiles.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/ops/outputjob.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tonemill::ops {
namespace {

namespace fs = std::filesystem;
using platform::Answer;
using testing_support::TempDir;
using testing_support::WriteText;
using End = JobOutcome::End;

std::string Read(const std::string& path) {
  const std::vector<uint8_t> bytes = testing_support::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

size_t EntriesIn(const std::string& directory) {
  return size_t(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

OutputWork Writing(WorkResult result) {
  return [result](const std::string& path, Progress&) {
    WriteText(path, "new");
    return result;
  };
}

TEST(OutputJob, EachEndOfTheWorkPutsTheOutputIntoPlaceOrLeavesTheTarget) {
  const Problem why("why");
  const WorkResult failedButKept{WorkResult::End::Failed, why, true};
  struct Case {
    WorkResult work;
    bool targetExists;
    Overwrite overwrite;
    End end;
    std::string message, content;
  } cases[] = {
      {WorkResult::Done(), false, Overwrite::Refuse, End::Done, "", "new"},
      {WorkResult::Done(), true, Overwrite::Replace, End::Done, "", "new"},
      {{WorkResult::End::Cancelled, why}, true, Overwrite::Replace, End::Cancelled, "why", "new"},
      {WorkResult::Failure(why), true, Overwrite::Replace, End::Failed, "why", "old"},
      {WorkResult::Failure(why), false, Overwrite::Refuse, End::Failed, "why", ""},
      {failedButKept, true, Overwrite::Replace, End::Failed, "why", "new"},
      // An input that ended early: in place only where it replaces nothing.
      {{WorkResult::End::EndedEarly, why}, false, Overwrite::Refuse, End::Incomplete, "why", "new"},
      {{WorkResult::End::EndedEarly, why}, true, Overwrite::Replace, End::Failed, "", "old"},
      // A file that appeared meanwhile is kept when the job may not replace it.
      {WorkResult::Done(), true, Overwrite::Refuse, End::Failed, "", "old"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    OutputJob job;
    job.target = dir.File("out");
    job.overwrite = c.overwrite;
    if (c.targetExists) WriteText(job.target, "old");
    Progress progress;
    const JobOutcome outcome = RunOutputJob(job, progress, Writing(c.work));
    const std::string expected =
        !c.message.empty() ? c.message
        : c.work.end == WorkResult::End::EndedEarly ? "why; " + job.target + " was left as it was"
        : c.end == End::Failed ? AppearedMeanwhileMessage(job.target)
                               : "";
    EXPECT_EQ(int(outcome.end), int(c.end)) << expected;
    EXPECT_EQ(outcome.problem.message, expected);
    EXPECT_EQ(outcome.kept, c.content == "new") << expected;
    EXPECT_EQ(fs::exists(job.target) ? Read(job.target) : "", c.content) << expected;
    EXPECT_EQ(EntriesIn(dir.File("")), c.content.empty() ? 0u : 1u) << "a temporary file is left";
  }
}

TEST(OutputJob, RefusesBeforeAnythingIsWrittenAndTakesTheAnswerAsTheOverwrite) {
  TempDir dir;
  WriteText(dir.File("in"), "in");
  WriteText(dir.File("out"), "old");
  fs::create_symlink(dir.File("in"), dir.File("link"));
  struct Case {
    std::string target;
    std::optional<Problem> check;
    std::deque<Answer> answers;
    std::string message;  // empty with no answer: nothing refused
  } cases[] = {
      {dir.File("link"), std::nullopt, {}, "Can't overwrite source file!"},
      {dir.File("out"), Problem("the operation's own"), {}, "the operation's own"},
      {dir.File(""), std::nullopt, {}, "Can't write " + dir.File("") + ": it exists and is not a regular file"},
      {dir.File("out"), std::nullopt, {Answer::Cancel}, ""},
      {dir.File("out"), std::nullopt, {Answer::Ok}, ""},
  };
  for (const Case& c : cases) {
    platform::ScriptedMessages messages(c.answers);
    platform::MessageScope scope(messages);
    OutputJob job;
    job.target = c.target;
    job.inputs = {dir.File("in")};
    job.checks = [&c] { return c.check; };
    job.question = OverwriteQuestion::File;
    const std::optional<JobOutcome> refused = PrepareOutput(job);
    const bool consented = c.answers == std::deque<Answer>{Answer::Ok};
    EXPECT_EQ(refused.has_value(), !consented) << c.message;
    if (refused) {
      EXPECT_EQ(refused->problem.message, c.message);
      EXPECT_EQ(int(refused->end), int(End::Refused));
    } else {
      EXPECT_EQ(job.overwrite, Overwrite::Replace);
    }
    EXPECT_EQ(messages.Texts().size(), c.answers.size()) << "the question is asked for an existing target only";
  }
  EXPECT_EQ(Read(dir.File("out")), "old");
  EXPECT_EQ(EntriesIn(dir.File("")), 3u);
}

TEST(OutputJob, AFailureToWriteNamesTheTargetNotTheTemporaryFile) {
  TempDir dir;
  OutputJob job;
  job.target = dir.File("out.wav");
  Progress progress;
  const JobOutcome thrown = RunOutputJob(job, progress, [](const std::string& path, Progress&) -> WorkResult {
    throw EInOutError("Can't write file " + path + "!");
  });
  EXPECT_EQ(thrown.problem.message, "Can't write file " + job.target + "!");
  EXPECT_EQ(int(thrown.end), int(End::Failed));

  job.target = dir.File("none/out.wav");
  job.cannotCreate = "Can not open destination file.";
  bool ran = false;
  const JobOutcome uncreatable = RunOutputJob(job, progress, [&ran](const std::string&, Progress&) {
    ran = true;
    return WorkResult::Done();
  });
  EXPECT_FALSE(ran);
  EXPECT_EQ(uncreatable.problem.message, "Can not open destination file.");
  EXPECT_EQ(EntriesIn(dir.File("")), 0u);
}


// A work that writes no audio cannot be encoded: the job fails naming the target, which keeps
// what it held, and leaves neither of its temporary files.
TEST(OutputJob, AnEncodingThatFailsLeavesTheTarget) {
  TempDir dir;
  const std::string target = dir.File("song.flac");
  WriteText(target, "old");
  OutputJob job;
  job.target = target;
  job.overwrite = Overwrite::Replace;
  job.container = Container::Flac;
  Progress progress;
  const JobOutcome outcome = RunOutputJob(job, progress, Writing(WorkResult::Done()));
  EXPECT_EQ(outcome.end, End::Failed);
  EXPECT_EQ(outcome.problem.file, target);
  EXPECT_EQ(outcome.problem.message, target + ": Format not recognised.");
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(EntriesIn(dir.Dir()), 1u);
}

}  // namespace
}  // namespace tonemill::ops
