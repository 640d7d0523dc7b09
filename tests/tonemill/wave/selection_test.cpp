// The editor's input facts and selection, as every effect receives them.
#include "tonemill/wave/selection.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

TEST(Selection, FactsLaunchValuesAndChecks) {
  testing_support::TempDir dir;
  testing_support::WriteWav(dir.File("s.wav"), {22050, 16, 2}, std::vector<int32_t>(2 * 2205, 0));
  testing_support::WriteWav(dir.File("m.wav"), {11025, 8, 1}, std::vector<int32_t>(100, 128));
  // 48000 Hz is taken now; a rate below 8000 Hz is still refused.
  testing_support::WriteWav(dir.File("odd.wav"), {4000, 16, 1}, std::vector<int32_t>(10, 0));
  testing_support::WriteWav(dir.File("empty.wav"), {44100, 16, 1}, {});
  std::vector<uint8_t> empty = testing_support::ReadBytes(dir.File("empty.wav"));
  empty.insert(empty.end(), {'L', 'I', 'S', 'T', 0, 0, 0, 0});  // a chunk after the empty data
  testing_support::WriteBytes(dir.File("empty.wav"), empty);
  EditorInput in;
  EXPECT_EQ(CheckEditorInput(dir.File("none.wav"), in)->message, "File not found!");
  EXPECT_EQ(CheckEditorInput(dir.File("odd.wav"), in)->message, "File format error!");
  EXPECT_EQ(CheckEditorInput(dir.File("empty.wav"), in)->message, "Empty WAV file!");
  ASSERT_FALSE(CheckEditorInput(dir.File("s.wav"), in));
  EXPECT_EQ(in.totalFrames, 2205);
  EXPECT_DOUBLE_EQ(in.durationMs, 100.0);

  LaunchValues ms = WholeFile(dir.File("s.wav"), dir.File("o.wav"), in, true);
  EXPECT_DOUBLE_EQ(ms.end, 2204 / in.framesPerMs);  // the last frame, not one past it
  EXPECT_EQ(FramesOf(10.0, ms), 220);
  const struct {
    const char *start, *end, *message;
  } cases[] = {
      {"10", "20", nullptr}, {"-1", "20", "Illegal Start time!"}, {"30", "20", "Illegal Start time!"},
      {"x", "20", "Illegal Start time!"}, {"0", "100.5", "Illegal End time!"}, {"0", "100", nullptr},
  };
  for (const auto& c : cases) {
    const std::optional<Problem> p = SetSelection(ms, in, c.start, c.end);
    EXPECT_EQ(p ? p->message : "", c.message ? c.message : "") << c.start << ":" << c.end;
  }
  LaunchValues frames = WholeFile(dir.File("s.wav"), dir.File("o.wav"), in, false);
  EXPECT_EQ(frames.end, 2204);
  SetChannels(frames, in, ChannelChoice::Right);
  EXPECT_TRUE(frames.rightOnly && !frames.leftOnly);

  ASSERT_FALSE(CheckEditorInput(dir.File("m.wav"), in));
  LaunchValues mono = WholeFile(dir.File("m.wav"), dir.File("o.wav"), in, false);
  SetChannels(mono, in, ChannelChoice::Right);  // a mono file is always "Left"
  EXPECT_TRUE(mono.leftOnly && !mono.rightOnly);
}

}  // namespace
}  // namespace tonemill
