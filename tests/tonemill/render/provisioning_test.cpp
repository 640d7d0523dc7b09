// The provisioning check, loadPRG and the making loop, with questions answered by script.
#include "platform/messages.h"
#include "tonemill/ops/dftconvert.h"
#include "tonemill/ops/songpipeline.h"
#include "tonemill/render/dftlibrary.h"
#include "tonemill/render/makewavs.h"
#include "tonemill/render/provisioning.h"
#include "tests/support/testfiles.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tonemill {
namespace {

using platform::Answer;
using platform::ScriptedMessages;
using testing_support::ReadBytes;
using testing_support::WriteText;

const std::string kBlock = "[\r\n60\r\n0 ON 100\r\n10 OFF 64\r\n]\r\n";

std::string Instrument(const std::string& sample, const std::string& blocks = kBlock) {
  return "{\r\n" + sample + " 60 64 64 0 0 0 0 2 0 0 1.00 1.00 0.00 -1.00 0 0 0 9 -1 -1 \r\n" +
         blocks + "}\r\n";
}

class Samples : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir_.File("WAV"));
    std::filesystem::create_directory(dir_.File("DFT"));
  }
  std::string Wav(const std::string& name) { return dir_.File("WAV/" + name); }
  std::string Dft(const std::string& name) { return dir_.File("DFT/" + name); }
  // A valid sample, and its DFT file made through the library.
  std::vector<uint8_t> MakeSample(const std::string& name, int seed = 1) {
    std::vector<int32_t> samples;
    for (int i = 0; i < 500; ++i) samples.push_back((i * seed) % 200 - 100);
    testing_support::WriteWav(dir_.File("tmp.wav"), {22050, 16, 1}, samples);
    EXPECT_EQ(ops::RunDftConversion(DftEntry::WavToDft, dir_.File("tmp.wav"), Dft(name + ".DFT"),
                                    Overwrite::Replace).end,
              ops::JobOutcome::End::Done);
    return ReadBytes(dir_.File("tmp.wav"));
  }
  std::string List(const std::string& text) {
    WriteText(dir_.File("s.lst"), text);
    return dir_.File("s.lst");
  }
  std::string Error(int line, const std::string& suffix) {
    return "Error in LST file " + dir_.File("s.lst") + " at line number " + std::to_string(line) + suffix;
  }
  testing_support::TempDir dir_;
};

TEST_F(Samples, TheScanReportsTrueLineNumbers) {
  const std::string two = kBlock + "[\r\n62\r\n0 ON 1\r\n5 PRS 3\r\n9 OFF 1\r\n]\r\n";  // lines 4-8, 9-14
  const std::string end = "Unexpected termination of LST file " + dir_.File("s.lst") + "!";
  const std::pair<std::string, std::string> cases[] = {
      {"10\r\n" + Instrument("A", two) + "\r\n", ""},            // a blank last line ends the file
      {"10\r\n" + Instrument("A", two) + Instrument("B"), ""},
      {"10\r\n" + Instrument("A", two) + "\r\n{\r\n", Error(16, ": { expected!")},
      {"10\r\n" + Instrument("A", two) + "x\r\n{\r\n", Error(16, ": { expected!")},
      {"10\r\n" + Instrument("A", two) + "{\r\n\r\n", Error(17, ": sample name expected!")},
      {"10\r\n" + Instrument("A", two) + "{\r\n  NINECHARS 1\r\n", Error(17, ": sample name too long!")},
      {"10\r\n" + Instrument("A", two) + "{\r\nB\r\n\r\n", Error(18, ": [ expected!")},
      {"10\r\n{\r\n..\\X 1\r\n", Error(3, ": illegal sample name!")},
      {"10\r\n{\r\nA\r\n" + two + "x\r\n}\r\n", Error(15, ": [ expected!")},  // after "]"
      {"10\r\n{\r\nA\r\n[\r\n60\r\n]\r\n}\r\n{\r\nB\r\n}\r\n", Error(10, ": [ expected!")},
      {"10\r\n" + Instrument("A") + "}", end},                  // a last line that is not empty
      {"10\r\n{\r\n", end},
      {"10\r\n{\r\nA\r\n", end},
      {"10\r\n{\r\nA\r\n[\r\n60\r\n0 ON 1\r\n", end},
      {"10\r\n{\r\nA\r\n[\r\n60\r\n]\r\n", end},                // no closing "}"
  };
  for (const auto& [text, message] : cases) {
    const ProvisioningScan scan = ScanSamples(List(text), dir_.File("WAV"), dir_.File("DFT"));
    EXPECT_EQ(scan.problem ? scan.problem->BoxText() : "", message) << text;
  }
}

TEST_F(Samples, OneRowPerFileAndTheQuestionComesAsTheScanMeetsTheSample) {
  testing_support::WriteWav(Wav("piano.wav"), {22050, 16, 1}, {1, 2, 3});
  WriteText(Wav("BROKEN.WAV"), "not a wave");
  MakeSample("BROKEN");
  MakeSample("strings");
  const std::string text = "10\r\n" + Instrument("Piano") + Instrument("PIANO") + Instrument("Strings") +
                           Instrument("BROKEN") + Instrument("GONE") + Instrument("gone") + "{\r\n";
  ScriptedMessages script({Answer::Ok});
  platform::MessageScope scope(script);
  int asked = 0;
  const ProvisioningScan scan = ScanSamples(List(text), dir_.File("WAV"), dir_.File("DFT"), "",
                                            [&](const SampleState& s) {
                                              ++asked;
                                              EXPECT_EQ(s.name, "GONE");
                                              return true;
                                            });
  EXPECT_EQ(asked, 1);  // before the scan meets the fault at its end
  ASSERT_TRUE(scan.problem);
  ASSERT_EQ(scan.samples.size(), 4u);
  EXPECT_EQ(scan.samples[0].source, SampleState::Source::Wav);
  EXPECT_EQ(scan.samples[0].wavPath, Wav("piano.wav"));
  EXPECT_EQ(scan.samples[1].source, SampleState::Source::Dft);
  EXPECT_EQ(scan.samples[1].dftPath, Dft("strings.DFT"));
  EXPECT_EQ(scan.samples[2].source, SampleState::Source::Dft);  // an invalid WAV with a DFT
  EXPECT_EQ(scan.samples[3].source, SampleState::Source::Missing);
  const ProvisioningScan aborted = ScanSamples(List(text), dir_.File("WAV"), dir_.File("DFT"), "",
                                               [](const SampleState&) { return false; });
  EXPECT_TRUE(aborted.aborted);
  EXPECT_FALSE(aborted.problem);
}

TEST_F(Samples, LoadPrgListsEachSampleOnce) {
  std::filesystem::create_directory(dir_.File("PRG"));
  WriteText(Wav("PIANO.WAV"), "exists, valid or not");
  WriteText(dir_.File("PRG/0.PRG"), "# comment\r\n\r\n   # indented comment\r\nc0-b4 piano.wav c4 1\r\n"
                                    "c5 Strings.x.y c5\r\nc6 piano c5\r\n");
  WriteText(dir_.File("PRG/1.PRG"), "c0 STRINGS c4\r\nc1   Brass c4\r\n");
  WriteText(dir_.File("PRG/KEY.PRG"), "c0 PIANO\r\n   \r\n");
  WriteText(dir_.File("PRG/WAV.PRG"), "c0 PIANO\r\nc1\r\n");
  WriteText(dir_.File("PRG/LONG.PRG"), "c0 ABCDEFGHI.WAV\r\n");
  WriteText(dir_.File("PRG/DOT.PRG"), "c0 .wav\r\n");
  WriteText(dir_.File("PRG/DIR.PRG"), "c0 sub/x.wav\r\n");
  WriteText(dir_.File("PRG/EMPTY.PRG"), "# nothing\r\n");
  SampleList list(dir_.File("WAV"), dir_.File("DFT"));
  ASSERT_EQ(LoadPrgSamples({"0.PRG", "1.prg"}, dir_.File("PRG"), list), std::nullopt);
  std::vector<std::pair<std::string, bool>> rows;
  for (const SampleRow& r : list.Rows()) rows.push_back({r.name, r.make});
  EXPECT_EQ(rows, (std::vector<std::pair<std::string, bool>>{{"PIANO", false}, {"STRINGS", true}, {"BRASS", true}}));
  EXPECT_EQ(list.Rows()[1].wavPath, Wav("STRINGS.WAV"));
  list.Toggle(0);
  list.Toggle(1);
  EXPECT_TRUE(list.Rows()[0].make);
  EXPECT_FALSE(list.Rows()[1].make);

  const std::pair<std::vector<std::string>, std::string> errors[] = {
      {{"0.PRG", "song.lst"}, "File song.lst: the extension must be PRG!"},
      {{"NONE.PRG"}, "Can't open PRG file NONE.PRG!"},
      {{"KEY.PRG"}, "PRG file KEY.PRG: error reading Key range!"},
      {{"WAV.PRG"}, "PRG file WAV.PRG: error reading WAV filename."},
      {{"DOT.PRG"}, "PRG file DOT.PRG: error reading WAV filename."},
      {{"DIR.PRG"}, "PRG file DIR.PRG: error reading WAV filename."},
      {{"LONG.PRG"}, "WAV filename too long: ABCDEFGHI"},
      {{"EMPTY.PRG"}, "No data entry found!"},
  };
  for (const auto& [names, message] : errors) {
    SampleList fresh(dir_.File("WAV"), dir_.File("DFT"));
    const std::optional<Problem> p = LoadPrgSamples(names, dir_.File("PRG"), fresh);
    EXPECT_EQ(p ? p->message : "", message);
  }
}

// A pump that cancels when it is called for the `at`-th time.
struct CancelAt {
  Progress* progress;
  int at, calls = 0;
  static void Pump(void* context) {
    auto* c = static_cast<CancelAt*>(context);
    if (++c->calls == c->at) c->progress->Cancel();
  }
};

TEST_F(Samples, TheMakingLoopFollowsTheAnswers) {
  const std::vector<std::string> names{"A", "B", "C", "D"};
  std::vector<std::vector<uint8_t>> originals;
  for (size_t i = 0; i < names.size(); ++i) originals.push_back(MakeSample(names[i], int(i) + 2));
  struct Case {
    const char* what;
    std::deque<Answer> answers;
    std::vector<size_t> made;
    size_t questions;
    int cancelAt = 0;
  };
  // Every WAV file exists (and is not valid), so each row asks first.
  const Case cases[] = {
      {"Yes, No, Yes, No", {Answer::Yes, Answer::No, Answer::Yes, Answer::No}, {0, 2}, 4},
      {"No, then All", {Answer::No, Answer::All}, {1, 2, 3}, 2},
      {"Yes, then Abort", {Answer::Yes, Answer::Abort}, {0}, 2},
      {"cancelled before the third sample", {Answer::All}, {0, 1}, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SampleList list(dir_.File("WAV"), dir_.File("DFT"));
    for (const std::string& n : names) {
      WriteText(Wav(n + ".WAV"), "old");
      list.Add(n)->make = true;
    }
    ScriptedMessages script(c.answers);
    platform::MessageScope scope(script);
    Progress progress;
    CancelAt cancel{&progress, c.cancelAt};
    progress.pump = CancelAt::Pump;
    progress.pumpContext = &cancel;
    const MakeOutcome outcome = MakeSamples(list, progress, ops::DftSampleConversion());
    EXPECT_EQ(outcome.made, c.made);
    EXPECT_EQ(outcome.cancelled, c.cancelAt != 0);
    EXPECT_EQ(script.Shown().size(), c.questions);
    EXPECT_EQ(script.Shown()[0].text, "Overwrite existing file " + Wav("A.WAV") + "?");
    for (size_t i = 0; i < names.size(); ++i) {
      const bool made = std::find(c.made.begin(), c.made.end(), i) != c.made.end();
      const std::vector<uint8_t> old{'o', 'l', 'd'};
      EXPECT_EQ(ReadBytes(Wav(names[i] + ".WAV")), made ? originals[i] : old) << i;
    }
  }
}

TEST_F(Samples, AFailedConversionAsksToGoOnAndLeavesNoFile) {
  MakeSample("GOOD");
  WriteText(Dft("BAD.DFT"), "TMDFT but not really");
  SampleList list(dir_.File("WAV"), dir_.File("DFT"));
  for (const char* n : {"BAD", "NODFT", "GOOD"}) list.Add(n)->make = true;
  for (Answer answer : {Answer::Ok, Answer::Abort}) {
    std::filesystem::remove(Wav("GOOD.WAV"));
    ScriptedMessages script({answer, answer});
    platform::MessageScope scope(script);
    Progress progress;
    const MakeOutcome outcome = MakeSamples(list, progress, ops::DftSampleConversion());
    EXPECT_EQ(outcome.stopped, answer == Answer::Abort);
    EXPECT_EQ(outcome.made.size(), answer == Answer::Ok ? 1u : 0u);
    const std::vector<std::string> expected{"File " + Dft("BAD.DFT") + " is not DFT.",
                                            "Can't open source file " + Dft("NODFT.DFT") + "."};
    EXPECT_EQ(script.Texts(), answer == Answer::Ok ? expected : std::vector<std::string>{expected[0]});
    EXPECT_EQ(script.Shown()[0].buttons, platform::Buttons::OkAbort);
    EXPECT_FALSE(std::filesystem::exists(Wav("BAD.WAV")));
    EXPECT_EQ(std::filesystem::directory_iterator(dir_.File("WAV")) != std::filesystem::directory_iterator(),
              answer == Answer::Ok);  // only GOOD.WAV, no temporary file
  }
}

TEST_F(Samples, TheCheckMakesThenProbesAgain) {
  const std::vector<uint8_t> strings = MakeSample("STRINGS");
  MakeSample("BROKEN");
  testing_support::WriteWav(Wav("PIANO.WAV"), {22050, 16, 1}, {1, 2, 3});
  const std::string text = "10\r\n" + Instrument("PIANO") + Instrument("Strings") + Instrument("STRINGS");
  struct Case {
    const char* what;
    std::string list;
    std::deque<Answer> answers;
    std::string message;
    std::vector<std::string> made;
  };
  const std::string both = "10\r\n" + Instrument("STRINGS") + Instrument("BROKEN");
  const std::string missing = "Sample file(s) missing. Aborting.";
  const Case cases[] = {
      {"made from DFT", text, {}, "", {Wav("Strings.WAV")}},
      {"all there now", text, {}, "", {}},
      {"an invalid WAV not replaced", both, {Answer::No}, missing + " (no valid WAV file: " + Wav("BROKEN.WAV") + ")", {}},
      {"an invalid WAV replaced", both, {Answer::Yes}, "", {Wav("BROKEN.WAV")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.list == both) WriteText(Wav("BROKEN.WAV"), "broken");
    ScriptedMessages script(c.answers);
    platform::MessageScope scope(script);
    ops::SampleMaking making;
    const std::optional<Problem> p = ops::CheckSamples(List(c.list), "s.lst", dir_.File("WAV"), dir_.File("DFT"), "", &making);
    EXPECT_EQ(p ? p->MessageWithReason() : "", c.message);
    EXPECT_EQ(making.made, c.made);
  }
  EXPECT_EQ(ReadBytes(Wav("Strings.WAV")), strings);  // one file for both spellings
  EXPECT_FALSE(std::filesystem::exists(Wav("STRINGS.WAV")));

  // A sample with neither file: nothing is made.
  std::filesystem::remove(Wav("Strings.WAV"));
  ScriptedMessages script({Answer::Ok});
  platform::MessageScope scope(script);
  EXPECT_EQ(ops::CheckSamples(List("10\r\n" + Instrument("STRINGS") + Instrument("GONE")), "s.lst",
                              dir_.File("WAV"), dir_.File("DFT"))->message, missing);
  EXPECT_FALSE(std::filesystem::exists(Wav("STRINGS.WAV")));
  // The song may not be written over a sample that is to be made.
  const std::string lst = List(text);
  EXPECT_EQ(ops::CheckSamples(lst, "s.lst", dir_.File("WAV"), dir_.File("DFT"), Wav("Strings.WAV"))->message,
            "Can't overwrite source file!");
  // A cancel stops before the next sample.
  ops::SampleMaking making;
  CancelAt cancel{&making.progress, 1};
  making.progress.pump = CancelAt::Pump;
  making.progress.pumpContext = &cancel;
  EXPECT_TRUE(ops::CheckSamples(lst, "s.lst", dir_.File("WAV"), dir_.File("DFT"), "", &making));
  EXPECT_TRUE(making.cancelled);
  EXPECT_FALSE(std::filesystem::exists(Wav("STRINGS.WAV")));
}

TEST_F(Samples, ConvertDialogConversions) {
  const std::vector<uint8_t> wav = MakeSample("X");
  testing_support::WriteBytes(dir_.File("x.wav"), wav);
  EXPECT_EQ(ops::ProposedDftTarget(DftEntry::WavToDft, "/a/Piano.Left.WAV", "/w", "/d"), "/d/piano.dft");
  EXPECT_EQ(ops::ProposedDftTarget(DftEntry::DftToWav, "/a/PIANO.DFT", "/w/", "/d"), "/w/piano.wav");
  struct Case {
    DftEntry entry;
    std::string source, target;
    std::deque<Answer> answers;
    ops::JobOutcome::End end;
    std::string message;
  };
  WriteText(dir_.File("old.wav"), "old");
  const std::string longName = dir_.File(std::string(250, 'n') + ".wav");
  const Case cases[] = {
      {DftEntry::DftToWav, Dft("X.DFT"), dir_.File("back.wav"), {}, ops::JobOutcome::End::Done, ""},
      {DftEntry::DftToWav, Dft("X.DFT"), dir_.File("old.wav"), {Answer::Cancel}, ops::JobOutcome::End::Refused, ""},
      {DftEntry::WavToDft, dir_.File("none.wav"), dir_.File("n.dft"), {}, ops::JobOutcome::End::Refused,
       "File not found! (no such file or directory)"},
      {DftEntry::WavToDft, dir_.File("x.wav"), dir_.File("./x.wav"), {}, ops::JobOutcome::End::Refused,
       "Can't overwrite source file!"},
      {DftEntry::WavToDft, Dft("X.DFT"), dir_.File("old.wav"), {Answer::Ok}, ops::JobOutcome::End::Failed,
       "File " + Dft("X.DFT") + " is not WAV."},
      {DftEntry::WavToDft, dir_.File("x.wav"), dir_.File("no/x.dft"), {}, ops::JobOutcome::End::Failed,
       "Can't open destination file " + dir_.File("no/x.dft") + ". (no such file or directory)"},
      {DftEntry::WavToDft, dir_.File("x.wav"), longName, {}, ops::JobOutcome::End::Refused,
       "Path " + longName + " is longer than 255 bytes."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    ScriptedMessages script(c.answers);
    platform::MessageScope scope(script);
    const ops::JobOutcome outcome = ops::ConvertDftFile(c.entry, c.source, c.target);
    EXPECT_EQ(outcome.end, c.end);
    EXPECT_EQ(outcome.problem.MessageWithReason(), c.message);
  }
  EXPECT_EQ(ReadBytes(dir_.File("back.wav")), wav);
  EXPECT_EQ(ReadBytes(dir_.File("old.wav")), (std::vector<uint8_t>{'o', 'l', 'd'}));  // a failure keeps it
}

TEST(DftMessages, EachEntryPointHasItsOwnCodes) {
  const DftEntry toWav = DftEntry::DftToWav, toDft = DftEntry::WavToDft;
  const std::tuple<DftEntry, int32_t, std::string> cases[] = {
      {toWav, 3, "Can't open source file s."}, {toDft, 4, "Unsupported word size."},
      {toWav, 5, "Undefined channel assignment."}, {toWav, 6, "File s is not DFT."},
      {toDft, 6, "Internal error!"}, {toDft, 7, "Can't open destination file t."},
      {toWav, 8, "Insufficient disk space."}, {toDft, 9, "Insufficient free memory."},
      {toWav, 10, "Premature end of file."}, {toDft, 11, "File s is not WAV."},
      {toWav, 11, "Internal error!"}, {toDft, 12, "Unsupported format."},
      {toWav, 12, "Internal error!"}, {toWav, 1, "Internal error!"}, {toDft, -1, "Internal error!"},
  };
  for (const auto& [entry, code, message] : cases) EXPECT_EQ(DftResultMessage(entry, code, "s", "t"), message) << code;
}

}  // namespace
}  // namespace tonemill
