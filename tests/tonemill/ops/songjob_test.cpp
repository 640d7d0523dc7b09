// The song job: which steps each goal runs, where the list is when the render reads it and
// after the job, what a refusal and a cancel leave, and that no temporary file outlives it.
#include "platform/messages.h"
#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"
#include "tonemill/ops/songjob.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tonemill::ops {
namespace {

namespace fs = std::filesystem;
namespace ts = testing_support;
using platform::Answer;
using End = SongJobOutcome::End;
using Step = SongJobOutcome::Step;

// What the job asked of its front end.
class RecordingFront : public SongJobFront {
 public:
  explicit RecordingFront(std::string lst, bool cancel = false)
      : lst_(std::move(lst)), cancel_(cancel) {}
  bool CancelRequested() override { return cancel_; }
  void Busy(bool on) override { busy += on ? 1 : -1; }
  std::optional<Problem> CheckSamples(SampleMaking&,
                                      const std::function<std::optional<Problem>()>& check) override {
    checked = true;
    return check();
  }
  JobOutcome Render(const RenderRequest&, const RenderStep& step) override {
    rendered = true;
    listInPlaceAtRender = fs::exists(lst_);
    SongProgress progress;
    return step(progress, nullptr, nullptr, nullptr);
  }
  int busy = 0;  // back to 0 when every hourglass was taken down
  bool checked = false, rendered = false, listInPlaceAtRender = false;

 private:
  std::string lst_;
  bool cancel_;
};

// An instrument (5.PRG playing TONE.WAV), one song for it, and the job's paths in one folder.
class SongJobTest : public testing::Test {
 protected:
  void SetUp() override {
    ts::PrgFields fields;
    fields.wav = "TONE";
    ts::WriteText(dir_.File("5.PRG"), fields.Line() + "\r\n");
    std::vector<int32_t> tone;
    for (int i = 0; i < 2205; ++i) tone.push_back((i % 50 - 25) * 500);
    ts::WriteWav(dir_.File("TONE.WAV"), {22050, 16, 1}, tone);
    ts::MidiTrack track;
    track.Program(0, 1, 5).NoteOn(0, 1, 60, 100).NoteOff(480, 1, 60).EndOfTrack();
    ts::WriteBytes(dir_.File("song.mid"), ts::MidiFile(0, 480, {track}));
    fs::create_directory(dir_.File("out"));
  }
  SongJob Job(SongJobGoal goal, ListKeeping keep) const {
    SongJob job;
    job.paths = {dir_.File("song.mid"), Out("song.lst"), goal == SongJobGoal::Song ? Out("song.wav") : ""};
    job.prgDirectory = job.wavDirectory = job.dftDirectory = dir_.Dir();
    job.drums = {{-1, 10}};
    job.format.rate = 22050;
    job.format.bits = 16;
    job.format.channels = 1;
    job.goal = goal;
    job.keepList = keep;
    return job;
  }
  std::string Out(const std::string& name) const { return dir_.File("out/" + name); }
  size_t FilesOut() const {
    return size_t(std::distance(fs::directory_iterator(dir_.File("out")), fs::directory_iterator()));
  }

  ts::TempDir dir_;
  platform::ScriptedMessages messages_;
  platform::MessageScope scope_{messages_};
};

TEST_F(SongJobTest, EachGoalRunsItsStepsAndKeepsTheListAsAsked) {
  using G = SongJobGoal;
  using K = ListKeeping;
  const struct {
    G goal;
    K keep;
    bool listKept, listAtRender;
  } cases[] = {
      {G::List, K::AfterConversion, true, false}, {G::List, K::AtEnd, true, false},
      {G::List, K::Never, false, false},          {G::Samples, K::AfterConversion, true, false},
      {G::Samples, K::AtEnd, true, false},        {G::Samples, K::Never, false, false},
      {G::Song, K::AfterConversion, true, true},  {G::Song, K::AtEnd, true, false},
      {G::Song, K::Never, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.goal) * 10 + int(c.keep));
    fs::remove_all(dir_.File("out"));
    fs::create_directory(dir_.File("out"));
    const SongJob job = Job(c.goal, c.keep);
    RecordingFront front(job.paths.lst);
    const SongJobOutcome outcome = job.Run(front);
    EXPECT_EQ(outcome.end, End::Done);
    EXPECT_EQ(outcome.step, c.goal == G::Song ? Step::Render : Step::Done);
    EXPECT_FALSE(outcome.problem || outcome.listProblem);
    EXPECT_EQ(front.checked, c.goal != G::List);
    EXPECT_EQ(front.rendered, c.goal == G::Song);
    EXPECT_EQ(front.listInPlaceAtRender, c.listAtRender);
    EXPECT_EQ(front.busy, 0);
    EXPECT_EQ(fs::exists(job.paths.lst), c.listKept);
    if (c.goal == G::Song) {
      EXPECT_GT(fs::file_size(Out("song.wav")), 44u);
    }
    // Nothing but the list and the song: no scratch file stays behind.
    EXPECT_EQ(FilesOut(), size_t(c.listKept) + size_t(c.goal == G::Song));
  }
}

TEST_F(SongJobTest, AListGivenAsItIsIsRenderedAndLeftAlone) {
  SongJob converter = Job(SongJobGoal::List, ListKeeping::AfterConversion);
  RecordingFront first(converter.paths.lst);
  ASSERT_EQ(converter.Run(first).end, End::Done);
  const std::vector<uint8_t> list = ts::ReadBytes(converter.paths.lst);
  SongJob job = Job(SongJobGoal::Song, ListKeeping::AfterConversion);
  job.fromList = true;
  job.paths.mid.clear();
  RecordingFront front(job.paths.lst);
  EXPECT_EQ(job.Run(front).end, End::Done);
  EXPECT_TRUE(front.checked && front.rendered);
  EXPECT_EQ(ts::ReadBytes(job.paths.lst), list);
  EXPECT_TRUE(fs::exists(job.paths.wav));
}

TEST_F(SongJobTest, ARefusalWritesNothing) {
  ts::WriteText(Out("song.wav"), "old");
  const struct {
    std::string mid;
    std::deque<Answer> answers;
    std::string problem;  // empty: the declined question said it
  } cases[] = {
      {dir_.File("none.mid"), {}, "File not found!"},
      {dir_.File("song.mid"), {Answer::Cancel}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mid);
    platform::ScriptedMessages answers(c.answers);
    platform::MessageScope scope(answers);
    SongJob job = Job(SongJobGoal::Song, ListKeeping::AtEnd);
    job.paths.mid = c.mid;
    RecordingFront front(job.paths.lst);
    const SongJobOutcome outcome = job.Run(front);
    EXPECT_EQ(outcome.end, End::Refused);
    EXPECT_EQ(outcome.problem ? outcome.problem->message : "", c.problem);
    EXPECT_FALSE(front.checked || front.rendered);
    EXPECT_EQ(ts::ReadBytes(Out("song.wav")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(FilesOut(), 1u);
  }
}

TEST_F(SongJobTest, NoOutputReplacesAnInstrumentOrASampleTheJobReads) {
  const std::vector<uint8_t> instrument = ts::ReadBytes(dir_.File("5.PRG"));
  const std::vector<uint8_t> sample = ts::ReadBytes(dir_.File("TONE.WAV"));
  fs::create_hard_link(dir_.File("5.PRG"), Out("linked.wav"));
  const struct {
    std::string lst, wav;
    ListKeeping keep;
  } cases[] = {
      {dir_.File("5.PRG"), Out("song.wav"), ListKeeping::AfterConversion},
      {dir_.File("5.PRG"), Out("song.wav"), ListKeeping::AtEnd},
      {Out("song.lst"), dir_.File("5.PRG"), ListKeeping::AfterConversion},
      {Out("song.lst"), Out("linked.wav"), ListKeeping::AtEnd},  // the same file under another name
      {dir_.File("TONE.WAV"), Out("song.wav"), ListKeeping::AfterConversion},
      {dir_.File("TONE.WAV"), Out("song.wav"), ListKeeping::AtEnd},
      {Out("song.lst"), dir_.File("TONE.WAV"), ListKeeping::AtEnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lst + " " + c.wav);
    SongJob job = Job(SongJobGoal::Song, c.keep);
    job.paths.lst = c.lst;
    job.paths.wav = c.wav;
    job.listOverwrite = job.songOverwrite = Overwrite::Replace;
    RecordingFront front(job.paths.lst);
    const SongJobOutcome outcome = job.Run(front);
    EXPECT_NE(outcome.end, End::Done);
    ASSERT_TRUE(outcome.problem);
    EXPECT_EQ(outcome.problem->message, "Can't overwrite source file!");
    EXPECT_FALSE(front.rendered);
    EXPECT_EQ(ts::ReadBytes(dir_.File("5.PRG")), instrument);
    EXPECT_EQ(ts::ReadBytes(dir_.File("TONE.WAV")), sample);
    EXPECT_EQ(FilesOut(), 1u);  // the link alone: no list, no temporary file
  }
}

TEST_F(SongJobTest, ACancelBeforeTheSampleCheckRendersNothingButKeepsTheListAtTheEnd) {
  const SongJob job = Job(SongJobGoal::Song, ListKeeping::AtEnd);
  RecordingFront front(job.paths.lst, /*cancel=*/true);
  const SongJobOutcome outcome = job.Run(front);
  EXPECT_EQ(outcome.end, End::Cancelled);
  EXPECT_EQ(outcome.step, Step::Samples);
  EXPECT_FALSE(front.checked || front.rendered);
  EXPECT_TRUE(fs::exists(job.paths.lst));
  EXPECT_FALSE(fs::exists(job.paths.wav));
  EXPECT_EQ(FilesOut(), 1u);
}

}  // namespace
}  // namespace tonemill::ops
