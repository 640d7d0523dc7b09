// What the render progress display makes of the fields the library writes while it renders.
#include "tonemill/render/renderdisplay.h"
#include "tonemill/render/songrender.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

namespace tonemill {
namespace {

SongProgress At(int32_t line, int32_t lines, const char* instrument = "TONE", int32_t base = 60,
                int32_t current = 62) {
  SongProgress p;
  p.line() = line;
  p.lines() = lines;
  p.baseNote = base;
  p.currentNote = current;
  std::strncpy(p.instrument, instrument, sizeof p.instrument);
  return p;
}

TEST(RenderDisplay, LinesInstrumentNotesAndShare) {
  const struct {
    SongProgress progress;
    const char* lineText;
    bool allocating;
    const char *instrument, *baseNote, *currentNote;
    int percent;
  } table[] = {
      {At(0, 0), "0/1", true, "", "", "", 0},  // no lines yet counts as one
      {At(2, 14), "2/14", true, "", "", "", 0},  // reserving the song's silence
      {At(3, 14), "3/14", false, "TONE", "c5", "", 21},
      {At(5, 14), "5/14", false, "TONE", "c5", "d5", 35},
      {At(14, 14), "14/14", false, "TONE", "c5", "d5", 100},
      {At(20, 14), "20/14", false, "TONE", "c5", "d5", 100},  // lines read after a cancel
  };
  for (const auto& row : table) {
    const RenderDisplay d = DisplayOf(row.progress);
    EXPECT_EQ(d.lineText, row.lineText);
    EXPECT_EQ(d.allocating, row.allocating) << row.lineText;
    EXPECT_EQ(d.instrument, row.instrument) << row.lineText;
    EXPECT_EQ(d.baseNote, row.baseNote) << row.lineText;
    EXPECT_EQ(d.currentNote, row.currentNote) << row.lineText;
    EXPECT_EQ(d.percent, row.percent) << row.lineText;
  }
  // A name that fills the library's field without a terminator is read no further than it.
  SongProgress full = At(3, 14);
  std::memset(full.instrument, 'A', sizeof full.instrument);
  EXPECT_EQ(DisplayOf(full).instrument, std::string(sizeof full.instrument, 'A'));
}

TEST(RenderDisplay, LinesReachedAfterCancel) {
  // A cancel sets the line to the total; each line the library reads to close its step adds one.
  for (const auto& [cancelAt, readAfter, reached] :
       {std::tuple{8, 0, 8}, std::tuple{2, 4, 6}, std::tuple{14, 0, 14}}) {
    SongProgress p = At(cancelAt, 14);
    p.counters.Cancel();
    EXPECT_EQ(p.line(), 14);
    p.line() += readAfter;
    EXPECT_EQ(LinesReachedAfterCancel(p), reached) << cancelAt;
  }
}

}  // namespace
}  // namespace tonemill
