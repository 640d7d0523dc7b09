#include "reference.h"
#include "resona/interpolate.h"
#include "tonemill/render/wavetables.h"

#include <gtest/gtest.h>

#include <random>

using namespace resona;

namespace {

bool SameState(const Voice& a, const Voice& b) {
  return a.position == b.position && a.fraction == b.fraction && a.prevLeft == b.prevLeft &&
         a.prevRight == b.prevRight && a.deltaLeft == b.deltaLeft && a.deltaRight == b.deltaRight &&
         a.lfoPhase == b.lfoPhase;
}

// Random voices, vibrato or not, looping or not, with phases left over from an earlier period
// and fractions driven below zero by deep vibrato; every other voice plays as notes do, with a
// shallow vibrato around a step near 1.0, which takes the eight-frame path where there is one.
// Without output arrays only the voice moves on, as far.
TEST(Interpolation, EqualsTheFrameByFrameDefinition) {
  const tonemill::WaveTables tables = tonemill::BuildWaveTables();
  std::mt19937 rng(17);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<int16_t> left(5002), right(5002);
  for (size_t i = 0; i < 5000; ++i) {
    left[i] = int16_t(pick(-32768, 32767));
    right[i] = int16_t(pick(-32768, 32767));
  }
  NoteSample note;
  note.left = left.data();
  note.right = right.data();
  note.lastIndex = 4999;
  for (int round = 0; round < 3000; ++round) {
    const bool looping = round % 2 == 0;
    const bool stereo = round % 3 != 0;
    note.loopStart = pick(0, 4000);
    note.loopEnd = pick(int(note.loopStart), 4999);
    note.loopLength = note.loopEnd - note.loopStart + 1;
    Voice v;
    v.position = looping ? pick(int(note.loopStart), int(note.loopEnd)) : pick(0, 4999);
    v.fraction = pick(-40000, 32767);
    v.prevLeft = pick(-32768, 32767);
    v.deltaLeft = pick(-65535, 65535);
    v.prevRight = pick(-32768, 32767);
    v.deltaRight = pick(-65535, 65535);
    v.step = pick(20, 1 << pick(10, 20));
    if (round % 4 != 0) {
      v.lfoPeriod = pick(1, 5000);
      v.modDepth = pick(-256, 256);
      v.lfoPhase = pick(0, 6000);  // may exceed the period, after a rate change
    } else {
      v.lfoPeriod = 1;
      v.modDepth = 0;
      v.lfoPhase = pick(0, 3);
    }
    if (round % 2 == 1) {
      v.step = pick(16384, 60000);
      v.fraction = pick(0, 32767);
      if (v.modDepth != 0) v.modDepth = pick(-100, 100);
      v.prevLeft = left[size_t(std::max<int64_t>(v.position - 1, 0))];
      v.deltaLeft = left[size_t(v.position)] - v.prevLeft;
    }
    Voice expected = v, advanced = v;
    const int32_t frames = pick(1, 3000);
    const size_t n = static_cast<size_t>(frames);
    std::vector<int32_t> fastL(n), fastR(n), refL(n), refR(n);
    int32_t made = InterpolateValues(v, note, frames, looping, stereo, tables.cosine.data(),
                                     fastL.data(), fastR.data());
    int32_t want = reference::Interpolate(expected, note, frames, looping, stereo,
                                          tables.cosine.data(), refL.data(), refR.data());
    ASSERT_EQ(made, want) << round;
    fastL.resize(size_t(made));
    refL.resize(size_t(made));
    ASSERT_EQ(fastL, refL) << round;
    if (stereo) {
      fastR.resize(size_t(made));
      refR.resize(size_t(made));
      ASSERT_EQ(fastR, refR) << round;
    }
    ASSERT_TRUE(SameState(v, expected)) << round;
    ASSERT_EQ(InterpolateValues(advanced, note, frames, looping, stereo, tables.cosine.data(),
                                nullptr, nullptr), want) << round;
    ASSERT_TRUE(SameState(advanced, expected)) << round;
  }
}

}  // namespace
