// The rules behind the WAV editor, its viewer and the workshop's dialogs, without Qt: the
// viewer's window and marking, the summary it draws from, the editor's selection edits and
// import, the bounds of the effect fields, and the main window's Scan and Edit routing.
#include "platform/messages.h"
#include "tests/support/testfiles.h"
#include "tonemill/ops/effectrun.h"
#include "tonemill/files/numbers.h"
#include "tonemill/ops/scanedit.h"
#include "tonemill/wave/effectparams.h"
#include "tonemill/wave/selection.h"
#include "tonemill/wave/wavesummary.h"
#include "tonemill/wave/waveview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace tonemill {
namespace {

using testing_support::TempDir;

std::string MessageOf(const std::optional<Problem>& p) { return p ? p->message : ""; }

TEST(WaveView, ZoomsScrollsAndTheirMessages) {
  WaveView v;
  v.Reset(1000, 16, 44.1);
  EXPECT_EQ(v.ShownFrames(), 1000);
  // Horizontal: at least 1 and at least two frames shown; the window keeps its centre.
  EXPECT_EQ(MessageOf(v.SetHorizontalZoom("0.5")), "Illegal horizontal zoom!");
  EXPECT_EQ(MessageOf(v.SetHorizontalZoom("x")), "Illegal horizontal zoom!");
  EXPECT_EQ(MessageOf(v.SetHorizontalZoom("501")), "Illegal horizontal zoom!");
  EXPECT_EQ(MessageOf(v.SetHorizontalZoom("500")), "");
  EXPECT_EQ(v.ShownFrames(), 2);
  EXPECT_EQ(MessageOf(v.SetHorizontalZoom("4")), "");
  EXPECT_EQ(v.ShownFrames(), 250);
  EXPECT_EQ(v.First(), 375);  // around the centre it had
  v.ScrollBy(-v.Step());
  EXPECT_EQ(v.First(), 125);
  v.ScrollBy(-v.FastStep());  // a tenth of the file, never before frame 0
  EXPECT_EQ(v.First(), 25);
  v.ScrollBy(-v.FastStep());
  EXPECT_EQ(v.First(), 0);
  v.ScrollBy(10 * v.Step());
  EXPECT_EQ(v.Last(), 999);
  EXPECT_EQ(v.Gauge(), 75);  // first shown ÷ last frame
  // Vertical: 1 to 128; 16 bits symmetric about 0, 8 bits about 128 with 0 and 255 on screen.
  EXPECT_EQ(MessageOf(v.SetVerticalZoom("0.99")), "Illegal vertical zoom!");
  EXPECT_EQ(MessageOf(v.SetVerticalZoom("129")), "Illegal vertical zoom!");
  EXPECT_EQ(MessageOf(v.SetVerticalZoom("2")), "");
  EXPECT_EQ(v.Top(), 16383);
  EXPECT_EQ(v.Bottom(), -16384);
  WaveView e;
  e.Reset(100, 8, 11.025);
  EXPECT_EQ(e.Top(), 255);
  EXPECT_EQ(e.Bottom(), 0);
  EXPECT_EQ(e.Centre(), 128);
  e.SetVerticalZoom("128");
  EXPECT_EQ(e.Top(), 128);
  EXPECT_EQ(e.Bottom(), 127);
  // Pixels: the first shown frame at x 0, the top value at y 0, the bottom at the last row.
  e.SetVerticalZoom("1");
  EXPECT_EQ(e.Y(255, 256), 0);
  EXPECT_EQ(e.Y(0, 256), 255);
  EXPECT_EQ(e.ValueAt(0, 256), 255);
  EXPECT_EQ(e.X(0, 400), 0);
  EXPECT_EQ(e.X(1, 400), 4);  // frames wider than a pixel
  EXPECT_EQ(e.FrameAt(7, 400), 1);
  EXPECT_EQ(e.FrameAt(399, 400), 99);
}

TEST(WaveView, MarkingByMouseAndByValue) {
  WaveView v;
  v.Reset(44100, 16, 44.1);
  struct Step {
    int64_t click;
    WaveView::Mark after;
  } steps[] = {{100, WaveView::Mark::Started}, {50, WaveView::Mark::None},    // left of the start: removed
               {100, WaveView::Mark::Started}, {200, WaveView::Mark::Marked},  // right of it: marked
               {150, WaveView::Mark::None}};                                   // a click on a mark removes it
  for (const Step& s : steps) {
    v.Click(s.click);
    EXPECT_EQ(v.Marking(), s.after) << s.click;
  }
  v.Click(100);
  v.Follow(300);
  EXPECT_EQ(v.MarkEnd(), 300);
  v.Click(300);
  EXPECT_TRUE(v.ZoomToMarked());
  EXPECT_EQ(v.First(), 100);
  EXPECT_EQ(v.ShownFrames(), 201);
  EXPECT_DOUBLE_EQ(v.HorizontalZoom(), 44100.0 / 201);
  EXPECT_EQ(v.Marking(), WaveView::Mark::None);
  // Typed values: inside the file, in ms or samples; the end taken even before the start.
  EXPECT_EQ(MessageOf(v.SetMarkStart("999.99", true)), "Illegal start value!");
  EXPECT_EQ(MessageOf(v.SetMarkStart("999.98", true)), "");  // the last frame as shown
  EXPECT_EQ(v.MarkStart(), 44099);
  EXPECT_EQ(MessageOf(v.SetMarkEnd("-1", false)), "Illegal end value!");
  EXPECT_EQ(MessageOf(v.SetMarkEnd("10", false)), "");
  EXPECT_EQ(v.Marking(), WaveView::Mark::Marked);
  EXPECT_FALSE(v.ZoomToMarked());  // the end before the start
  EXPECT_EQ(v.PositionText(441, true), "10.00");
  EXPECT_EQ(*v.FrameOf("10.00", true), 441);
}

// A file of random samples; the summary's columns against the samples' own extremes.
TEST(WaveSummary, ColumnsFromTheSummaryMatchTheSamples) {
  TempDir dir;
  std::mt19937 random(7);
  const int64_t frames = 300000;
  std::vector<int32_t> samples;
  for (int64_t i = 0; i < frames; ++i) {
    samples.push_back(int32_t(random() % 60000) - 30000);
    samples.push_back(int32_t(random() % 200) - 100 + (i == 123456 ? 20000 : 0));
  }
  testing_support::WriteWav(dir.File("s.wav"), {44100, 16, 2}, samples);
  WaveSummary summary(dir.File("s.wav"));
  EXPECT_EQ(summary.Frames(), frames);
  // A cancel stops the build; the next one goes on from there.
  Progress progress;
  progress.pump = [](void* p) { static_cast<Progress*>(p)->Cancel(); };
  progress.pumpContext = &progress;
  EXPECT_FALSE(summary.Build(progress));
  EXPECT_GT(summary.Summarised(), 0);
  Progress rest;
  EXPECT_TRUE(summary.Build(rest));
  EXPECT_EQ(rest.done, rest.total);

  const int width = 100;
  for (int64_t count : {int64_t(500), int64_t(frames)}) {
    std::vector<SampleExtent> columns[2];
    summary.Columns(0, count, width, columns);
    const int64_t tolerance = summary.LevelFor(count, width) < 0 ? 0 : WaveSummary::kBlockFrames[0];
    EXPECT_EQ(tolerance != 0, count == frames);
    for (int c = 0; c < width; ++c) {
      // The true extremes of the column, and of the column widened by the blocks' rounding.
      SampleExtent exact{INT16_MAX, INT16_MIN}, wide{INT16_MAX, INT16_MIN};
      const int64_t b = ColumnBegin(0, count, width, c), e = ColumnBegin(0, count, width, c + 1);
      for (int64_t f = std::max<int64_t>(0, b - tolerance); f < std::min(count, e + tolerance); ++f) {
        const int16_t v = int16_t(samples[size_t(2 * f + 1)]);
        wide.min = std::min(wide.min, v), wide.max = std::max(wide.max, v);
        if (f >= b && f < e) exact.min = std::min(exact.min, v), exact.max = std::max(exact.max, v);
      }
      const SampleExtent got = columns[1][size_t(c)];
      if (tolerance == 0) {
        EXPECT_EQ(got.min, exact.min) << c;
        EXPECT_EQ(got.max, exact.max) << c;
      } else {
        EXPECT_TRUE(got.min >= wide.min && got.max <= wide.max) << c;
      }
    }
    if (count == frames) {
      // The spike of frame 123456 shows in its column.
      const int spike = int(123456 * width / frames);
      EXPECT_GE(columns[1][size_t(spike)].max, 19900);
    }
  }
}

TEST(EditorSelection, EditsOneAtATimeUnitsAndImport) {
  EditorInput in;
  in.bits = 16, in.channels = 2, in.rate = 44100, in.totalFrames = 44100;
  in.durationMs = 1000, in.framesPerMs = 44.1;
  struct Case {
    bool start;
    const char* text;
    double other;
    bool ms;
    const char* message;
    double value;
  } cases[] = {
      {true, "10.004", 500, true, "", 10.0},         {true, "500.01", 500, true, "Illegal Start time!", 0},
      {true, "-0.01", 500, true, "Illegal Start time!", 0}, {true, "nan", 500, true, "Illegal Start time!", 0},
      {false, "1000", 10, true, "", 1000},            {false, "1000.01", 10, true, "Illegal End time!", 0},
      {false, "9.99", 10, true, "Illegal End time!", 0}, {false, "44100", 0, false, "", 44100},
      {false, "44101", 0, false, "Illegal End time!", 0}, {true, "7.6", 10, false, "", 8}};
  for (const Case& c : cases) {
    double value = 0;
    const std::optional<Problem> p = c.start ? CheckSelectionStart(c.text, c.other, c.ms, value)
                                             : CheckSelectionEnd(c.text, c.other, in, c.ms, value);
    EXPECT_EQ(MessageOf(p), c.message) << c.text;
    if (!p) {
      EXPECT_DOUBLE_EQ(value, c.value) << c.text;
    }
  }
  // The unit switch converts and rounds as the edits show, within the file.
  const SelectionValues frames = ConvertSelection({10, 1000}, in, false);
  EXPECT_EQ(frames.start, 441);
  EXPECT_EQ(frames.end, 44100);
  const SelectionValues ms = ConvertSelection({441, 44100}, in, true);
  EXPECT_DOUBLE_EQ(ms.start, 10);
  EXPECT_DOUBLE_EQ(ms.end, 1000);
  // Import: the viewer's positions in its unit into the editor's; the end before the start.
  SelectionValues s;
  EXPECT_EQ(MessageOf(ImportRange(20, 10, false, in, true, s)), "Invalid WAView range!");
  EXPECT_EQ(MessageOf(ImportRange(441, 882, false, in, true, s)), "");
  EXPECT_DOUBLE_EQ(s.start, 10);
  EXPECT_DOUBLE_EQ(s.end, 20);
  // What a launcher gets: the shown end (the duration) clamped to the last frame.
  const LaunchValues launch = EditorLaunch("in.wav", "out.wav", in, true, {0, 1000}, ChannelChoice::Right);
  EXPECT_EQ(FramesOf(launch.end, launch), 44099);
  EXPECT_TRUE(launch.rightOnly && !launch.leftOnly);
  EXPECT_EQ(launch.totalFrames, 44100);
}

TEST(EffectFields, TimesWithinTheFileBandsWithinHalfTheRate) {
  LaunchValues launch;
  launch.msMode = true;
  launch.framesPerMs = 22.05;
  launch.rate = 22050;
  launch.totalFrames = 22050;  // a second
  EffectFields echo = FieldsFromPatch(EffectKind::Echo, DefaultPatch(LayoutOf(EffectKind::Echo)), launch);
  EXPECT_EQ(MessageOf(SetField(echo, echo::kDelay, "1000.01", launch)), "Illegal delay value!");
  EXPECT_EQ(MessageOf(SetField(echo, echo::kDelay, "1000", launch)), "");
  EffectFields flange = FieldsFromPatch(EffectKind::Flange, DefaultPatch(LayoutOf(EffectKind::Flange)), launch);
  EXPECT_EQ(MessageOf(SetField(flange, flange::kOffset, "-1000.5", launch)), "Illegal offset value!");
  launch.msMode = false;  // in frames the bound is the frame count
  EXPECT_EQ(MessageOf(SetField(flange, flange::kVariation, "22051", launch)), "Illegal variation value!");
  EXPECT_EQ(MessageOf(SetField(flange, flange::kVariation, "22050", launch)), "");
  // A patch cell holds milliseconds whatever the unit; a value from the file is checked at OK.
  EXPECT_EQ(MessageOf(CheckPatchCell(EffectKind::Flange, flange::kVariation, "1000.5", launch)),
            "Illegal variation value!");
  Patch far = DefaultPatch(LayoutOf(EffectKind::Echo));
  far.values[echo::kDelay] = "5000.00";
  launch.msMode = true;
  EXPECT_EQ(MessageOf(CheckFields(FieldsFromPatch(EffectKind::Echo, far, launch), launch)), "Illegal delay value!");

  EffectFields vocoder = FieldsFromPatch(EffectKind::Vocoder, DefaultPatch(LayoutOf(EffectKind::Vocoder)), launch);
  EXPECT_EQ(MessageOf(CheckBands(vocoder, 44100, 44100)), "");
  // At 22050 Hz band 31 (13350 Hz) lies above half the rate; with 30 bands in use it is fine.
  EXPECT_EQ(MessageOf(CheckBands(vocoder, 44100, 22050)),
            "Band 31 (car): the centre must lie from 0 to 11025 Hz and the width above 0 up to 11025 Hz!");
  vocoder.values[vocoder::kBands] = 30;
  EXPECT_EQ(MessageOf(CheckBands(vocoder, 22050, 22050)), "");
  vocoder.bands[0][vocoder::kControlWidth] = "0";
  EXPECT_FALSE(MessageOf(CheckBands(vocoder, 22050, 22050)).empty());
  // The one-band "Equidistant" keeps the band as it is.
  vocoder.values[vocoder::kBands] = 1;
  vocoder.bands[0][vocoder::kControlWidth] = "390";
  MakeEquidistant(vocoder);
  EXPECT_EQ(vocoder.bands[0][vocoder::kControlCentre], "780");
  EXPECT_EQ(vocoder.bands[0][vocoder::kControlWidth], "390");
}

TEST(EffectFields, BandDialogAndExtendBounds) {
  LaunchValues launch;
  launch.msMode = false;
  launch.framesPerMs = 44.1;
  launch.rate = 44100, launch.bits = 16, launch.channels = 2, launch.totalFrames = 1000;
  const BandFields band = BandDialogFields(false, launch);
  EXPECT_FALSE(FieldValue(band.center, "22050.1"));
  EXPECT_TRUE(FieldValue(band.center, "22050"));
  EXPECT_FALSE(FieldValue(band.width, "22051"));
  // Extend: the output's data stays below 2 GB.
  const ExtendFields extend = ExtendDialogFields(launch);
  const double most = double((INT32_MAX - 4000) / 4);
  EXPECT_TRUE(FieldValue(extend.duration, FormatFixed(most, 0)));
  EXPECT_FALSE(FieldValue(extend.duration, FormatFixed(most + 1, 0)));
}

TEST(ScanAndEdit, WaysReportAndEditorOutput) {
  EXPECT_EQ(ops::ScanWayFor("a/B.WAV"), ops::ScanWay::Wav);
  EXPECT_EQ(ops::ScanWayFor("song.Mid"), ops::ScanWay::Midi);
  EXPECT_EQ(ops::ScanWayFor("song.FLAC"), ops::ScanWay::Wav);  // decoded first
  EXPECT_FALSE(ops::ScanWayFor("notes.txt"));
  EXPECT_EQ(ops::EditWayFor("5.PRG"), ops::EditWay::Prg);
  EXPECT_EQ(ops::EditWayFor("a.mid"), ops::EditWay::Mid);
  EXPECT_EQ(ops::EditWayFor("a.wav"), ops::EditWay::Wav);
  EXPECT_EQ(ops::EditWayFor("a.lst"), ops::EditWay::Text);
  EXPECT_EQ(ops::EditWayFor("a"), ops::EditWay::Text);
  TempDir dir;
  EXPECT_EQ(ops::MidScanReport(dir.Path().string()), dir.File("MIDscan.TXT"));
  EXPECT_EQ(MessageOf(ops::CheckReportName(std::string(300, 'x') + "/MIDscan.TXT")),
            "Illegal report filename: " + std::string(300, 'x') + "/MIDscan.TXT");
  // temp.wav proposes newtemp.wav, under any name of it; any other file temp.wav.
  testing_support::WriteText(dir.File("temp.wav"), "x");
  std::filesystem::create_symlink(dir.File("temp.wav"), dir.File("link.wav"));
  EXPECT_EQ(ops::WavEditorOutput(dir.File("song.wav")), dir.File("temp.wav"));
  EXPECT_EQ(ops::WavEditorOutput(dir.File("temp.wav")), dir.File("newtemp.wav"));
  EXPECT_EQ(ops::WavEditorOutput(dir.File("link.wav")), dir.File("newtemp.wav"));
  testing_support::WriteText(dir.File("temp.mid"), "x");
  EXPECT_EQ(ops::TrackEditorOutput(dir.File("a.mid")), dir.File("temp.mid"));
  EXPECT_EQ(ops::TrackEditorOutput(dir.File("temp.mid")), dir.File("newtemp.mid"));
  // The report's overwrite question: Cancel keeps it.
  const std::string report = ops::MidScanReport(dir.Path().string());
  EXPECT_EQ(ops::AskToOverwriteReport(report), Overwrite::Refuse);
  testing_support::WriteText(report, "old");
  platform::ScriptedMessages answers({platform::Answer::Cancel, platform::Answer::Ok});
  platform::MessageScope scope(answers);
  EXPECT_FALSE(ops::AskToOverwriteReport(report));
  EXPECT_EQ(ops::AskToOverwriteReport(report), Overwrite::Replace);
  EXPECT_EQ(answers.Texts().front(), "Report file " + report + " will be overwritten!");
}

}  // namespace
}  // namespace tonemill
