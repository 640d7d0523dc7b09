// The bank's volume envelope (delay, attack, hold, decay to a sustain level in dB, release in
// dB per second) turned into the piecewise linear envelope of a PRG line: a linear attack to a
// factor, a linear decay to a second factor, a sustain slope and a release slope per second.
#pragma once

namespace tonemill::soundfont {

struct VolumeEnvelope {
  double delay = 0, attack = 0, hold = 0, decay = 0, release = 0;  // seconds
  double sustainCentibels = 0;  // attenuation of the sustain level below the peak
  // The longest the attack and decay may take together (seconds): the renderer's attack and
  // decay phases do not loop, so a looped sample bounds them. What the decay cannot do in time
  // the sustain slope carries on.
  double phaseLimit = 1e9;
};

struct LinearEnvelope {
  int attackMs = 0, decayMs = 0;
  double attackFactor = 1, decayFactor = 1;  // two decimals
  double sustainSlope = 0, releaseSlope = -0.01;  // per second, two decimals; release < 0
};

LinearEnvelope FitEnvelope(const VolumeEnvelope& e);

// The envelope level that is 96 dB down: where the bank's envelope ends.
constexpr double kEnvelopeRangeDb = 96.0;

}  // namespace tonemill::soundfont
