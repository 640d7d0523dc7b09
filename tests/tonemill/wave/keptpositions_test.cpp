// The chunks an output keeps still point at the same sound after an operation that left out,
// added or reordered frames.
#include "tonemill/files/wavheader.h"
#include "tonemill/ops/keptmetadata.h"
#include "tonemill/ops/operation.h"
#include "tonemill/wave/editorops.h"
#include "tonemill/wave/extend.h"
#include "tonemill/wave/gatedcut.h"
#include "wavetest.h"

#include <cstring>

namespace tonemill {
namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using Bytes = std::vector<uint8_t>;

void Put(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
uint32_t Get(const Bytes& b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void Chunk(Bytes& file, const char* id, const Bytes& body) {
  file.insert(file.end(), id, id + 4);
  Put(file, uint32_t(body.size()));
  file.insert(file.end(), body.begin(), body.end());
}

// Cue points 1, 2 and 3 at frames 10, 45 and 80, a labelled region of 20 frames from cue 2
// (with the same length in a play list), loops over 20-30 and 50-70, a time stamp of 1000, a
// post timer at cue 3's frame (another unused) and a fact chunk.
Bytes Chunks() {
  Bytes file, cue, adtl{'a', 'd', 't', 'l'}, plst, smpl(28, 0), bext(346, 0);
  Put(cue, 3);
  for (uint32_t id : {1, 2, 3}) {
    const uint32_t at = id == 1 ? 10 : id == 2 ? 45 : 80;
    Put(cue, id), Put(cue, at), cue.insert(cue.end(), {'d', 'a', 't', 'a'}), Put(cue, 0), Put(cue, 0), Put(cue, at);
  }
  Bytes ltxt;
  Put(ltxt, 2), Put(ltxt, 20), Put(ltxt, 0x206e6772), Put(ltxt, 0), Put(ltxt, 0);
  Chunk(adtl, "ltxt", ltxt);
  Put(plst, 1), Put(plst, 2), Put(plst, 20), Put(plst, 1);
  Put(smpl, 2), Put(smpl, 0);
  for (uint32_t start : {20, 50}) Put(smpl, 7), Put(smpl, 0), Put(smpl, start), Put(smpl, start == 20 ? 30 : 70), Put(smpl, 0), Put(smpl, 0);
  bext[338] = 1000 & 0xFF, bext[339] = 1000 >> 8;
  Bytes fact;
  Put(fact, 100);
  Chunk(file, "fact", fact);
  Chunk(file, "cue ", cue);
  Chunk(file, "LIST", adtl);
  Chunk(file, "plst", plst);
  Chunk(file, "smpl", smpl);
  Chunk(file, "bext", bext);
  Bytes cart(684, 0);
  cart.insert(cart.end(), {'S', 'E', 'G', 's'}), Put(cart, 80), Put(cart, 0), Put(cart, 0xFFFFFFFF);
  Chunk(file, "cart", cart);
  return file;
}

// What the output kept: cue offsets (and play positions), the region's and the segment's
// lengths, the loops, the time stamp; -1 for what is missing.
struct Kept {
  std::vector<int64_t> cues, loops;
  int64_t region = -1, segment = -1, stamp = -1;
  bool fact = false;
  int64_t timer = -1;
  bool operator==(const Kept&) const = default;
};

Kept Read(const Bytes& file) {
  Kept k;
  for (size_t at = 12; at + 8 <= file.size();) {
    const std::string id(file.begin() + long(at), file.begin() + long(at) + 4);
    const size_t body = at + 8, length = Get(file, at + 4);
    if (id == "fact") k.fact = true;
    if (id == "cue ")
      for (size_t i = 0; i < Get(file, body); ++i) {
        k.cues.push_back(Get(file, body + 4 + 24 * i + 20));
        EXPECT_EQ(Get(file, body + 4 + 24 * i + 4), k.cues.back());
      }
    if (id == "LIST") k.region = Get(file, body + 4 + 8 + 4);
    if (id == "plst") k.segment = Get(file, body + 8);
    if (id == "smpl") {
      EXPECT_EQ(length, 36 + 24 * Get(file, body + 28));
      for (size_t i = 0; i < Get(file, body + 28); ++i)
        k.loops.insert(k.loops.end(), {Get(file, body + 36 + 24 * i + 8), Get(file, body + 36 + 24 * i + 12)});
    }
    if (id == "bext") k.stamp = Get(file, body + 338);
    if (id == "cart") {
      k.timer = Get(file, body + 684 + 4);
      EXPECT_EQ(Get(file, body + 684 + 12), 0xFFFFFFFF);
    }
    at = body + length + length % 2;
  }
  return k;
}

// 100 stereo frames, quiet at 0-4, 40-44 and 90-99, with the chunks.
void WriteInput(const std::string& path) {
  std::vector<int32_t> samples;
  for (int f = 0; f < 100; ++f) {
    const bool quiet = f < 5 || (f >= 40 && f < 45) || f >= 90;
    samples.insert(samples.end(), {quiet ? 0 : 20000 + f, quiet ? 0 : -20000});
  }
  testing_support::WriteWav(path, kStereo16, samples);
  Bytes in = ReadBytes(path);
  const Bytes chunks = Chunks();
  in.insert(in.end(), chunks.begin(), chunks.end());
  const uint32_t riff = uint32_t(in.size() - 8);
  std::memcpy(in.data() + 4, &riff, 4);
  WriteBytes(path, in);
}

TEST(KeptPositions, FollowTheFramesEachOperationMoved) {
  using Engine = std::function<RangeResult(const RangeRequest&, Progress&)>;
  const auto extend = [](int64_t at, int64_t frames) -> Engine {
    return [=](const RangeRequest& r, Progress& p) { return ExtendWav(r.input, r.output, {at, frames, false}, p); };
  };
  const auto gatedCut = [](bool prune) -> Engine {
    return [=](const RangeRequest& r, Progress& p) { return GatedCutRange(r, {100, prune}, p); };
  };
  const Engine cut = CutRange, reverse = ReverseRange, maximize = MaximizeRange;
  const struct {
    const char* what;
    Engine engine;
    int64_t first, last;
    bool oneChannel;
    Kept kept;
    std::vector<std::string> dropped;
  } cases[] = {
      // Frames left in place: the chunks as they were (without the fact chunk).
      {"maximize", maximize, 0, 99, false, {{10, 45, 80}, {20, 30, 50, 70}, 20, 20, 1000}, {}},
      // A cue point in the range goes to the seam; the region loses what was cut of it; the
      // time stamp names the new first frame.
      {"cut 40-49", cut, 40, 49, false, {{10, 40, 70}, {20, 30, 40, 60}, 15, 15, 1000}, {}},
      {"cut 0-9", cut, 0, 9, false, {{0, 35, 70}, {10, 20, 40, 60}, 20, 20, 1010}, {}},
      // A loop whose end was cut away is dropped.
      {"cut 65-74", cut, 65, 74, false, {{10, 45, 70}, {20, 30}, 20, 20, 1000}, {}},
      // Silence in a loop or a region makes it longer; silence before everything moves the
      // time stamp back.
      {"extend 50", extend(50, 10), 0, 99, false, {{10, 45, 90}, {20, 30, 60, 80}, 30, 30, 1000}, {}},
      {"extend 0", extend(0, 10), 0, 99, false, {{20, 55, 90}, {30, 40, 60, 80}, 20, 20, 990}, {}},
      // The whole file reversed: points and loops mirrored, a region to its mirrored start.
      {"reverse", reverse, 0, 99, false, {{89, 35, 19}, {69, 79, 29, 49}, 20, 20, 1000}, {}},
      // A loop only partly reversed is no longer a loop of the same sound.
      {"reverse 40-59", reverse, 40, 59, false, {{10, 54, 80}, {20, 30}, 20, 20, 1000}, {}},
      // Quiet frames 0-4, 40-44 and 90-99: Prune takes those at the ends, otherwise all go.
      {"gatedcut prune", gatedCut(true), 0, 99, false, {{5, 40, 75}, {15, 25, 45, 65}, 20, 20, 1005}, {}},
      {"gatedcut", gatedCut(false), 0, 99, false, {{5, 35, 70}, {15, 25, 40, 60}, 20, 20, 1005}, {}},
      // One channel reversed: no position names one sound any more.
      {"reverse left", reverse, 0, 99, true, {{}, {}, -1, -1, 1000}, {"cue", "LIST adtl", "plst", "smpl", "cart"}},
  };
  TempDir dir;
  WriteInput(dir.File("in.wav"));
  for (const auto& c : cases) {
    Progress progress;
    const RangeResult result =
        c.engine({dir.File("in.wav"), dir.File("out.wav"), c.first, c.last, c.oneChannel, false}, progress);
    std::vector<std::string> dropped;
    ASSERT_FALSE(CopyOtherChunks(dir.File("in.wav"), dir.File("out.wav"), result.frames, &dropped)) << c.what;
    Kept expected = c.kept;
    expected.timer = expected.cues.empty() ? -1 : expected.cues[2];  // the timer marks cue 3's frame
    EXPECT_EQ(Read(ReadBytes(dir.File("out.wav"))), expected) << c.what;
    EXPECT_EQ(dropped, c.dropped) << c.what;
  }
}

TEST(KeptPositions, TheOutputJobTakesTheEnginesMapAndDropsPositionsAnUnstatedOneMoved) {
  TempDir dir;
  WriteInput(dir.File("in.wav"));
  for (const bool stated : {true, false}) {
    const std::string out = dir.File(stated ? "stated.wav" : "unstated.wav");
    ops::OutputJob job = WaveOutputJob(out, {dir.File("in.wav")});
    std::vector<std::string> dropped;
    const ops::OutputWork work = ops::CarryMetadata(
        job, {dir.File("in.wav"), true},
        [&](const std::string& path, Progress& progress) {
          const RangeResult r = CutRange({dir.File("in.wav"), path, 40, 49}, progress);
          return stated ? WaveWorkResult(out, r, dir.File("in.wav")) : WaveWorkResult(out, r.cancelled, {});
        },
        &dropped);
    Progress progress;
    ASSERT_EQ(ops::RunOutputJob(job, progress, work).end, ops::JobOutcome::End::Done);
    const Kept kept = Read(ReadBytes(out));
    using Names = std::vector<std::string>;
    EXPECT_EQ(kept.cues, stated ? (std::vector<int64_t>{10, 40, 70}) : std::vector<int64_t>());
    EXPECT_EQ(dropped, stated ? Names() : (Names{"cue", "LIST adtl", "plst", "smpl", "cart"}));
  }
}

}  // namespace
}  // namespace tonemill
