// The linear envelope against the bank's: levels and energy, not the formulas.
#include "tonemill/soundfont/envelope.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tonemill::soundfont;

namespace {

// Integrates f over [0, end] in steps of 1 ms.
template <class F>
double Integral(F f, double end) {
  double sum = 0;
  for (double t = 0.0005; t < end; t += 0.001) sum += f(t) * 0.001;
  return sum;
}

// The fitted envelope after the attack, level over time, as the renderer draws it.
double Linear(const LinearEnvelope& e, double t) {
  const double decay = e.decayMs / 1000.0;
  if (t < decay) return e.attackFactor + (e.decayFactor - e.attackFactor) * t / decay;
  return std::max(0.0, e.decayFactor + e.sustainSlope * (t - decay));
}

}  // namespace

TEST(Envelope, FullSustainHasNoDecay) {
  VolumeEnvelope v;
  v.attack = 0.1;
  v.decay = 2;
  v.release = 0.5;
  LinearEnvelope e = FitEnvelope(v);
  EXPECT_EQ(e.attackMs, 100);
  EXPECT_EQ(e.decayMs, 0);
  EXPECT_EQ(e.decayFactor, 1.0);
  EXPECT_EQ(e.sustainSlope, 0.0);
  EXPECT_LT(e.releaseSlope, 0.0);
}

TEST(Envelope, DecayingSoundsKeepTheirEnergy) {
  for (double decay : {0.5, 2.0, 10.0}) for (double hold : {0.0, 0.05, 1.0}) {
    VolumeEnvelope v;
    v.decay = decay;
    v.hold = hold;
    v.sustainCentibels = 1000;
    LinearEnvelope e = FitEnvelope(v);
    EXPECT_LT(e.sustainSlope, 0.0);
    auto bank = [&](double t) {
      return t < v.hold ? 1.0 : std::pow(10.0, -96.0 * (t - v.hold) / decay / 20.0);
    };
    const double expected = Integral([&](double t) { return bank(t) * bank(t); }, 4 * decay);
    const double got = Integral([&](double t) { return Linear(e, t) * Linear(e, t); }, 4 * decay);
    EXPECT_NEAR(got / expected, 1.0, 0.05) << decay;
  }
}

TEST(Envelope, HeldSustainIsReachedWithTheSameArea) {
  VolumeEnvelope v;
  v.decay = 3.0;
  v.sustainCentibels = 100;  // 9.6 dB down
  LinearEnvelope e = FitEnvelope(v);
  const double sustain = std::pow(10.0, -9.6 / 20.0);
  EXPECT_NEAR(e.decayFactor, sustain, 0.005);
  EXPECT_EQ(e.sustainSlope, 0.0);
  auto bank = [&](double t) { return std::max(sustain, std::pow(10.0, -96.0 * t / 3.0 / 20.0)); };
  const double expected = Integral([&](double t) { return bank(t) - sustain; }, 3.0);
  const double got = Integral([&](double t) { return Linear(e, t) - sustain; }, e.decayMs / 1000.0);
  EXPECT_NEAR(got / expected, 1.0, 0.02);
}

TEST(Envelope, ReleaseAlwaysFalls) {
  VolumeEnvelope v;
  v.release = 101;  // the longest release, from the quietest sustain
  v.decay = 1;
  v.sustainCentibels = 1440;
  EXPECT_LE(FitEnvelope(v).releaseSlope, -0.01);
  v.release = 0.001;
  v.sustainCentibels = 0;
  EXPECT_LE(FitEnvelope(v).releaseSlope, -1000.0);
}
