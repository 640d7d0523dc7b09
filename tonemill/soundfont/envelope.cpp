#include "envelope.h"

#include <algorithm>
#include <cmath>

namespace tonemill::soundfont {
namespace {

// Below this sustain level (-20 dB) a sound is taken to decay away rather than to hold.
constexpr double kHeldSustain = 0.1;
// The least-squares fit of two straight lines to exp(-t/tau) puts the knot at 0.95 tau (with
// level 0.32) and reaches 0 after another 2.1 tau.
constexpr double kKnotTime = 0.95, kTailTime = 2.1;
// A linear release that ends after 1.5 tau carries the same energy as exp(-t/tau).
constexpr double kReleaseTime = 1.5;

double TwoDecimals(double v) { return std::round(v * 100.0) / 100.0; }
int Milliseconds(double seconds) { return int(std::lround(std::clamp(seconds, 0.0, 1e6) * 1000.0)); }

// The time constant of an envelope segment that falls 96 dB in `seconds`.
double TimeConstant(double seconds) { return seconds * 20.0 / (kEnvelopeRangeDb * std::log(10.0)); }

}  // namespace

LinearEnvelope FitEnvelope(const VolumeEnvelope& e) {
  LinearEnvelope out;
  // The delay is folded into a slower rise.
  const double attack = std::min(e.delay + e.attack, std::max(0.0, e.phaseLimit));
  const double decayLimit = std::max(0.0, e.phaseLimit - attack);
  out.attackMs = Milliseconds(attack);
  out.attackFactor = 1.0;
  const double sustainDb = std::min(kEnvelopeRangeDb, std::max(0.0, e.sustainCentibels) * kEnvelopeRangeDb / 1000.0);
  const double sustain = std::pow(10.0, -sustainDb / 20.0);
  const double tau = TimeConstant(e.decay);
  double level = 1.0;  // what the release starts from, for its slope

  if (sustainDb <= 0.0) {
    out.decayMs = 0;
  } else if (sustain >= kHeldSustain) {
    // Decay to a held level: the straight line covers the same area above the sustain level as
    // the hold and the exponential fall do (or falls faster when time is short).
    const double fall = e.decay * sustainDb / kEnvelopeRangeDb;
    const double area = tau * (1.0 - sustain) - sustain * fall;
    const double length = 2.0 * e.hold + 2.0 * std::max(0.0, area) / (1.0 - sustain);
    out.decayMs = Milliseconds(std::min(length, decayLimit));
    out.decayFactor = TwoDecimals(sustain);
    level = sustain;
  } else {
    // Decay to silence: a knot, then a falling sustain that reaches 0. The knot's level is
    // chosen so that the two lines carry the energy of the hold and the exponential fall.
    double knot = e.hold + kKnotTime * tau, tail = kTailTime * tau;
    const double energy = e.hold + tau / 2.0;
    // knot (1 + D + D^2) / 3 + tail D^2 / 3 = energy
    const double a = (knot + tail) / 3.0, b = knot / 3.0, c = knot / 3.0 - energy;
    double d = a > 0 ? (-b + std::sqrt(std::max(0.0, b * b - 4.0 * a * c))) / (2.0 * a) : 1.0;
    if (d > 1.0) {  // a long hold: stay at the peak and let the sustain fall carry the rest
      d = 1.0;
      tail = 3.0 * (energy - knot);
    }
    if (knot > decayLimit) {
      // The knot comes early, on the bank's curve, and the tail keeps the energy after it.
      knot = decayLimit;
      d = knot < e.hold ? 1.0 : std::exp(-(knot - e.hold) / std::max(1e-9, tau));
      tail = knot < e.hold ? 3.0 * (e.hold - knot) + 1.5 * tau : 1.5 * tau;
    }
    out.decayMs = Milliseconds(knot);
    level = out.decayMs == 0 ? 1.0 : TwoDecimals(std::max(0.01, d));
    out.decayFactor = level;
    out.sustainSlope = TwoDecimals(-level / std::max(1e-3, tail));
  }
  if (out.decayMs == 0) out.decayFactor = out.attackFactor;
  const double releaseSeconds = std::max(1e-3, kReleaseTime * TimeConstant(e.release));
  out.releaseSlope = std::min(-0.01, TwoDecimals(-std::max(level, 0.05) / releaseSeconds));
  return out;
}

}  // namespace tonemill::soundfont
