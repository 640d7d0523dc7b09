#include "envelope.h"

#include <algorithm>
#include <cmath>

namespace tonemill::soundfont {
namespace {

// Below this sustain level (-20 dB) a sound is taken to decay away rather than to hold.
constexpr double kHeldSustain = 0.1;
// The least-squares fit of two linear segments to exp(-t/tau): a knot at 0.95 tau with level
// 0.32, then a straight line that reaches 0 after another 2.1 tau.
constexpr double kKnotTime = 0.95, kKnotLevel = 0.32, kTailTime = 2.1;
// A linear release that ends after 1.5 tau carries the same energy as exp(-t/tau).
constexpr double kReleaseTime = 1.5;

double TwoDecimals(double v) { return std::round(v * 100.0) / 100.0; }
int Milliseconds(double seconds) { return int(std::lround(std::clamp(seconds, 0.0, 1e6) * 1000.0)); }

// The time constant of an envelope segment that falls 96 dB in `seconds`.
double TimeConstant(double seconds) { return seconds * 20.0 / (kEnvelopeRangeDb * std::log(10.0)); }

}  // namespace

LinearEnvelope FitEnvelope(const VolumeEnvelope& e) {
  LinearEnvelope out;
  out.attackMs = Milliseconds(e.delay + e.attack);  // the delay is folded into a slower rise
  out.attackFactor = 1.0;
  const double sustainDb = std::min(kEnvelopeRangeDb, std::max(0.0, e.sustainCentibels) * kEnvelopeRangeDb / 1000.0);
  const double sustain = std::pow(10.0, -sustainDb / 20.0);
  const double tau = TimeConstant(e.decay);
  double level = 1.0;  // what the release starts from, for its slope

  if (sustainDb <= 0.0) {
    out.decayMs = 0;
    out.decayFactor = 1.0;
  } else if (sustain >= kHeldSustain) {
    // Decay to a held level: the straight line covers the same area above the sustain level as
    // the hold and the exponential fall do.
    const double fall = e.decay * sustainDb / kEnvelopeRangeDb;
    const double area = tau * (1.0 - sustain) - sustain * fall;
    const double length = 2.0 * e.hold + 2.0 * std::max(0.0, area) / (1.0 - sustain);
    out.decayMs = Milliseconds(length);
    out.decayFactor = TwoDecimals(sustain);
    level = sustain;
  } else {
    // Decay to silence: a knot, then a falling sustain that reaches 0.
    out.decayMs = Milliseconds(e.hold + kKnotTime * tau);
    out.decayFactor = kKnotLevel;
    out.sustainSlope = TwoDecimals(-kKnotLevel / std::max(1e-3, kTailTime * tau));
    level = kKnotLevel;
  }
  if (out.decayMs == 0) out.decayFactor = out.attackFactor;
  const double releaseSeconds = std::max(1e-3, kReleaseTime * TimeConstant(e.release));
  out.releaseSlope = std::min(-0.01, TwoDecimals(-std::max(level, 0.05) / releaseSeconds));
  return out;
}

}  // namespace tonemill::soundfont
