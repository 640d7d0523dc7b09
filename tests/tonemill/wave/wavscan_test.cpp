// The statistics scan and the figures of its dialog.
#include "tonemill/wave/wavscan.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::TempDir;
using testing_support::WriteWav;

struct Scanned {
  ScanSetup setup;
  WavStats stats;
  ScanResult result;
  ScanFigures figures;
};

Scanned Scan(const std::string& path) {
  Scanned s;
  EXPECT_FALSE(PrepareScan(path, s.setup, s.stats)) << path;
  Progress progress;
  s.result = ScanWav(s.setup, s.stats, progress);
  s.figures = FiguresOf(s.setup, s.stats, s.result.scannedBytes);
  return s;
}

TEST(WavScan, FiguresOfEightAndSixteenBitFiles) {
  TempDir dir;
  WriteWav(dir.File("silence.wav"), {11025, 8, 1}, std::vector<int32_t>(100, 128));
  const Scanned silence = Scan(dir.File("silence.wav"));
  EXPECT_EQ(silence.figures.left.rmsText, "0.00");
  EXPECT_EQ(silence.figures.left.minimum, "128/0");
  EXPECT_EQ(silence.figures.left.maximum, "128/255");
  EXPECT_EQ(silence.figures.left.saturated, 0);

  // Stereo 8-bit: the low byte of each frame is left. 0 and 255 saturate.
  WriteWav(dir.File("s8.wav"), {22050, 8, 2}, {0, 100, 255, 100, 128, 101, 10, 102});
  const Scanned s8 = Scan(dir.File("s8.wav"));
  EXPECT_EQ(s8.figures.left.minimum, "0/0");
  EXPECT_EQ(s8.figures.left.maximum, "255/255");
  EXPECT_EQ(s8.figures.right.minimum, "100/0");
  EXPECT_EQ(s8.figures.right.maximum, "102/255");
  EXPECT_EQ(s8.figures.left.saturated, 2);
  EXPECT_EQ(s8.figures.left.saturatedPercent, 50);
  EXPECT_EQ(s8.figures.right.saturated, 0);
  EXPECT_EQ(s8.stats.SumSqLeft, 128.0L * 128 + 127 * 127 + 0 + 118 * 118);

  WriteWav(dir.File("m16.wav"), {44100, 16, 1}, {3, -4, 32767, -32768});
  const Scanned m16 = Scan(dir.File("m16.wav"));
  EXPECT_EQ(m16.figures.left.minimum, "-32768/-32768");
  EXPECT_EQ(m16.figures.left.saturated, 2);
  EXPECT_EQ(m16.figures.left.saturationGauge, 50);
  EXPECT_EQ(m16.figures.left.rmsText, "23170.12");  // √((9 + 16 + 32767² + 32768²) ÷ 4)
  EXPECT_EQ(m16.figures.left.rmsGauge, 70);
  EXPECT_EQ(m16.result.scannedBytes, 8);
}

TEST(WavScan, HeaderFiguresEmptyDataAndEarlyEnd) {
  TempDir dir;
  WriteWav(dir.File("second.wav"), {44100, 16, 1}, std::vector<int32_t>(44100, 5));
  const Scanned second = Scan(dir.File("second.wav"));
  EXPECT_EQ(second.setup.samples, 44100);
  EXPECT_EQ(second.setup.durationMs, 1000.0);

  // An empty data chunk that is not the last: presets, n held at 1.
  WriteWav(dir.File("empty.wav"), {11025, 8, 2}, {});
  std::vector<uint8_t> bytes = testing_support::ReadBytes(dir.File("empty.wav"));
  bytes.insert(bytes.end(), {'L', 'I', 'S', 'T', 2, 0, 0, 0, 1, 2});
  testing_support::WriteBytes(dir.File("empty.wav"), bytes);
  const Scanned empty = Scan(dir.File("empty.wav"));
  EXPECT_EQ(empty.figures.left.minimum, "127/0");
  EXPECT_EQ(empty.figures.right.maximum, "127/255");
  EXPECT_EQ(empty.figures.left.rmsText, "0.00");
  EXPECT_EQ(empty.figures.frames, 1);
  EXPECT_FALSE(empty.result.endsEarly);

  // The data chunk claims more than the file holds: the part read stays.
  WriteWav(dir.File("cut.wav"), {22050, 16, 2}, std::vector<int32_t>(2000, -7));
  bytes = testing_support::ReadBytes(dir.File("cut.wav"));
  bytes.resize(bytes.size() - 1001);
  testing_support::WriteBytes(dir.File("cut.wav"), bytes);
  const Scanned cut = Scan(dir.File("cut.wav"));
  EXPECT_TRUE(cut.result.endsEarly);
  EXPECT_EQ(cut.result.scannedBytes, 4000 - 1004);
  EXPECT_EQ(cut.figures.left.rmsText, "7.00");
}

TEST(WavScan, RefusesWhatItCannotMeasure) {
  TempDir dir;
  WriteWav(dir.File("48k.wav"), {48000, 16, 1}, std::vector<int32_t>(480, 1));
  EXPECT_EQ(Scan(dir.File("48k.wav")).setup.durationMs, 10.0);  // any positive rate is scanned
  std::vector<uint8_t> bytes = testing_support::ReadBytes(dir.File("48k.wav"));
  ScanSetup setup;
  WavStats stats;
  const struct {
    size_t at;
    uint8_t value;
    const char* message;
  } cases[] = {
      {34, 12, "Unsupported sample size (12 bits) in WAV file "},
      {24, 0, "Unsupported sampling rate (0 Hz) in WAV file "},
      {22, 3, "Unsupported WAV format in "},
      {20, 3, "Not a WAV file: "},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> changed = bytes;
    changed[c.at] = c.value;
    if (c.at == 24) changed[25] = changed[26] = 0;
    testing_support::WriteBytes(dir.File("x.wav"), changed);
    const std::optional<Problem> p = PrepareScan(dir.File("x.wav"), setup, stats);
    ASSERT_TRUE(p) << c.message;
    EXPECT_EQ(p->message, std::string(c.message) + dir.File("x.wav"));
  }
  EXPECT_EQ(PrepareScan(dir.File("none.wav"), setup, stats)->message, "Can't find WAV file " + dir.File("none.wav"));
  std::vector<uint8_t> huge = bytes;  // a data chunk of 2 GB or more
  huge[43] = 0x80;
  testing_support::WriteBytes(dir.File("x.wav"), huge);
  EXPECT_EQ(PrepareScan(dir.File("x.wav"), setup, stats)->message, "Data of " + dir.File("x.wav") + " too large to process");
}

TEST(WavScan, CancelKeepsWhatWasGathered) {
  TempDir dir;
  WriteWav(dir.File("long.wav"), {44100, 16, 2}, std::vector<int32_t>(200000, 3));
  ScanSetup setup;
  WavStats stats;
  ASSERT_FALSE(PrepareScan(dir.File("long.wav"), setup, stats));
  Progress progress;
  progress.pump = [](void* p) { static_cast<Progress*>(p)->Cancel(); };
  progress.pumpContext = &progress;
  const ScanResult r = ScanWav(setup, stats, progress);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.scannedBytes, 40000);
  EXPECT_EQ(FiguresOf(setup, stats, r.scannedBytes).left.rmsText, "3.00");
  // The dialog's Cancel sets the counter to the limit: the scan stops there too.
  Progress atLimit;
  atLimit.pump = [](void* p) {
    auto* progress = static_cast<Progress*>(p);
    progress->done = progress->total;
  };
  atLimit.pumpContext = &atLimit;
  const ScanResult stopped = ScanWav(setup, stats, atLimit);
  EXPECT_EQ(stopped.scannedBytes, 40000);
  EXPECT_TRUE(stopped.cancelled && !stopped.endsEarly);
  EXPECT_EQ(atLimit.done, atLimit.total);
}

}  // namespace
}  // namespace tonemill
