// The mix held in memory against the mix in the file, and on several threads against one: the
// same bytes, statuses, progress and leftovers of a failure or a cancel.
#include "render_harness.h"
#include "resona/samplecache.h"
#include "resona/status.h"
#include "song_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <vector>

using namespace resona;
using namespace testing_support;

namespace {

class MemoryMix : public ::testing::Test {
 protected:
  void SetUp() override { WriteShotAndLoop(f); }

  struct Result {
    RenderRun run;
    std::vector<uint8_t> bytes;
    bool operator==(const Result& o) const {
      return run.status == o.run.status && run.line == o.run.line && run.lines == o.run.lines &&
             run.baseNote == o.run.baseNote && run.currentNote == o.run.currentNote &&
             run.instrument == o.run.instrument && run.pumps == o.run.pumps && bytes == o.bytes;
    }
  };
  Result RenderWith(int64_t memory, const std::string& text, RenderFormat format,
                    SongFixture::PumpHook hook = {}, int32_t threads = 1) {
    f.memoryBytes = memory;
    f.threads = threads;
    Result r;
    r.run = f.Render(text, format, std::move(hook));
    r.bytes = ReadBytes(f.wav);
    return r;
  }
  // The file's form, memory to spare, and a budget the notes past the end run out of.
  void ExpectSameInEveryForm(const std::string& text, RenderFormat format, int64_t silenceBytes,
                             const SongFixture::PumpHook& hook = {}) {
    const Result streamed = RenderWith(0, text, format, hook);
    EXPECT_EQ(RenderWith(kDefaultMemoryBytes, text, format, hook), streamed);
    EXPECT_EQ(RenderWith(silenceBytes, text, format, hook), streamed);
    EXPECT_EQ(RenderWith(silenceBytes - 1, text, format, hook), streamed);
  }
  // One thread against 2, 3 and 4: all but the number of pumps (the caller pumps while it waits
  // for the threads).
  void ExpectSameOnEveryThreadCount(const std::string& text, RenderFormat format) {
    Result one = RenderWith(kDefaultMemoryBytes, text, format);
    for (int32_t threads : {2, 3, 4}) {
      Result many = RenderWith(kDefaultMemoryBytes, text, format, {}, threads);
      many.run.pumps = one.run.pumps;
      EXPECT_EQ(many, one) << threads << " threads";
    }
  }
  SongFixture f;
};

const RenderFormat kFormats[] = {{16, 2, 44100}, {16, 1, 22050}, {8, 2, 11025}, {8, 1, 44100}};

int64_t SilenceBytes(int ms, RenderFormat format) {
  const float perMs = float(format.rate) / 1000.0f;
  return int64_t(std::trunc((long double)ms * perMs)) * format.channels * (format.bits / 8);
}

TEST_F(MemoryMix, GeneratedSongsGiveTheStreamedBytesInEveryFormat) {
  for (const RenderFormat& format : kFormats)
    for (uint64_t seed : {1u, 2u}) {
      SCOPED_TRACE(testing::Message() << format.bits << "/" << format.channels << "/" << format.rate
                                      << " seed " << seed);
      // Loud, overlapping notes: many samples saturate; some start after the end.
      const std::string text = GeneratedSong(seed, 1500, 4, 30);
      ExpectSameInEveryForm(text, format, SilenceBytes(1500, format));
    }
}

TEST_F(MemoryMix, FailuresAndCancelsLeaveTheStreamedFile) {
  const RenderFormat format{8, 2, 22050};
  const std::string song = GeneratedSong(3, 1200, 3, 10);
  // A sample that cannot be read, and a bad instrument line, after two instruments were mixed.
  Inst missing;
  missing.name = "NONE";
  Inst bad;
  bad.volume = 0;
  for (const Inst& last : {missing, bad}) {
    const std::string text = song.substr(0, song.rfind('{')) + Block(last, {{60, {"0 ON 100", "5 OFF 64"}}});
    ExpectSameInEveryForm(text, format, SilenceBytes(1200, format));
  }
  // A cancel at every pump: during the silence pass (a song of several silence blocks), then
  // at every line and between the blocks of long stretches.
  const std::string longSong = GeneratedSong(4, 12000, 2, 6);
  const int pumps = RenderWith(0, longSong, format).run.pumps;
  ASSERT_GT(pumps, 30);
  for (int cancelAt = 0; cancelAt < pumps; cancelAt += 1 + cancelAt / 8) {
    SCOPED_TRACE(cancelAt);
    ExpectSameInEveryForm(longSong, format, SilenceBytes(12000, format),
                          [cancelAt](int pump, int32_t& line, int32_t& lines) {
                            if (pump == cancelAt) line = lines;
                          });
  }
}

// Long notes of the looped sample, with vibrato, crossing the ranges of every split and lasting
// beyond one mixing block of 176,400 samples.
std::string LongNotes() {
  const Inst looped = LoopedInstrument(16, 0, 3000, "-0.30");
  return Block(looped, {{60, {"0 ON 120", "2500 MOD 40", "5200 OFF 64"}},
                        {67, {"900 ON 110", "6100 OFF 30"}},
                        {48, {"3000 ON 127", "3100 BND 2000", "7900 OFF 100"}}});
}

TEST_F(MemoryMix, EveryThreadCountGivesTheBytesOfOne) {
  for (const RenderFormat& format : kFormats) {
    SCOPED_TRACE(testing::Message() << format.bits << "/" << format.channels << "/" << format.rate);
    std::string text = GeneratedSong(5, 8000, 4, 40);
    text += LongNotes();
    ExpectSameOnEveryThreadCount(text, format);
  }
}

TEST_F(MemoryMix, ThreadsStopAtTheLineOfAFailureOrACancel) {
  const RenderFormat format{16, 2, 44100};
  const std::string song = GeneratedSong(6, 6000, 3, 25) + LongNotes();
  Inst missing;
  missing.name = "NONE";
  ExpectSameOnEveryThreadCount(song + Block(missing, {}), format);
  ExpectSameOnEveryThreadCount(song + "{\r\n" + Inst{}.Line() + "\r\n[\r\n60\r\n0 NOTE 1\r\n", format);

  // A cancel after the silence pass leaves the song's length holding the lines through the
  // step where it was seen: what one thread leaves for a cancel at some line.
  const std::string shorter = GeneratedSong(7, 2000, 2, 8);
  std::vector<std::vector<uint8_t>> cancelledAt;
  const int32_t lines = RenderWith(kDefaultMemoryBytes, shorter, format).run.lines;
  for (int32_t at = 2; at <= lines; ++at)
    cancelledAt.push_back(RenderWith(kDefaultMemoryBytes, shorter, format,
                                     [at](int, int32_t& line, int32_t& total) {
                                       if (line == at) line = total;
                                     })
                              .bytes);
  for (int cancelAt : {4, 10, 40, 90}) {
    const Result many = RenderWith(kDefaultMemoryBytes, shorter, format,
                                   [cancelAt](int pump, int32_t& line, int32_t& total) {
                                     if (pump == cancelAt) line = total;
                                   },
                                   3);
    EXPECT_EQ(many.run.status, kOk);
    EXPECT_GE(many.run.line, many.run.lines);
    EXPECT_NE(std::find(cancelledAt.begin(), cancelledAt.end(), many.bytes), cancelledAt.end())
        << cancelAt;
  }
}

TEST_F(MemoryMix, AFullDiskWhileNotesExtendTheSongEndsEveryFormInIt) {
  // Notes past the end of a short song run into the file size limit (a full disk).
  const std::string text = Song(500, Block(Inst{}, {{60, {"400 ON 100", "450 OFF 64"}},
                                                    {60, {"490 ON 100", "495 OFF 64"}}}));
  const int64_t silence = SilenceBytes(500, {16, 2, 44100});
  ASSERT_EQ(RenderWith(0, text, {16, 2, 44100}).run.status, kOk);
  ASSERT_GT(int64_t(ReadBytes(f.wav).size()), 44 + silence + 100);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = rlim_t(44 + silence + 100);
  setrlimit(RLIMIT_FSIZE, &limit);
  for (int64_t memory : {int64_t(0), kDefaultMemoryBytes})
    for (int32_t threads : {1, 3})
      EXPECT_EQ(RenderWith(memory, text, {16, 2, 44100}, {}, threads).run.status, kDiskFull)
          << memory << " " << threads;
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);
}

// Samples kept between songs: the same bytes as prepared afresh, within the bound, and a sample
// file that changed is read again.
TEST_F(MemoryMix, KeptSamplesGiveTheBytesOfFreshOnes) {
  const std::string text = GeneratedSong(8, 3000, 4, 20);
  std::vector<int32_t> changed(1000);
  for (size_t i = 0; i < changed.size(); ++i) changed[i] = int32_t(i * 91 % 50000) - 25000;
  for (const RenderFormat& format : {RenderFormat{16, 2, 44100}, RenderFormat{8, 1, 22050}}) {
    const Result fresh = RenderWith(kDefaultMemoryBytes, text, format);
    samplecache::Hold();
    EXPECT_EQ(RenderWith(kDefaultMemoryBytes, text, format), fresh);
    const int64_t kept = samplecache::BytesKept();
    EXPECT_GT(kept, 0);
    Result threaded = RenderWith(kDefaultMemoryBytes, text, format, {}, 3);
    threaded.run.pumps = fresh.run.pumps;  // the caller pumps while it waits for the threads
    EXPECT_EQ(threaded, fresh);
    EXPECT_EQ(samplecache::BytesKept(), kept);  // every sample was found

    // The same size, another time of modification.
    WriteSample(f, "S", {44100, 16, 1}, changed);
    const std::string path = f.samples + "S.WAV";
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000000 + format.bits, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const Result afterChange = RenderWith(kDefaultMemoryBytes, text, format);
    samplecache::Release();
    EXPECT_EQ(samplecache::BytesKept(), 0);
    EXPECT_EQ(RenderWith(kDefaultMemoryBytes, text, format), afterChange);
    EXPECT_NE(afterChange.bytes, fresh.bytes);

    samplecache::Hold();
    samplecache::SetBound(0);
    EXPECT_EQ(RenderWith(kDefaultMemoryBytes, text, format), afterChange);
    EXPECT_EQ(samplecache::BytesKept(), 0);
    samplecache::SetBound(int64_t(256) << 20);
    samplecache::Release();
    SetUp();  // the first sample back
  }
}

}  // namespace
