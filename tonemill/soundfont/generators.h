// Generator resolution: what one key of a preset plays. Instrument zones give absolute values
// (the instrument's global zone first, then the zone itself); preset zones add to them
// (likewise global, then local); key and velocity ranges intersect.
#pragma once

#include "sf2file.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tonemill::soundfont {

// The generators the importer reads, by their numbers in the format.
enum Gen : uint16_t {
  kStartOffset = 0, kEndOffset = 1, kLoopStartOffset = 2, kLoopEndOffset = 3,
  kStartCoarseOffset = 4, kModLfoToPitch = 5, kVibLfoToPitch = 6, kEndCoarseOffset = 12,
  kPan = 17, kFreqModLfo = 22, kFreqVibLfo = 24, kDelayVolEnv = 33, kAttackVolEnv = 34,
  kHoldVolEnv = 35, kDecayVolEnv = 36, kSustainVolEnv = 37, kReleaseVolEnv = 38,
  kKeyToVolEnvHold = 39, kKeyToVolEnvDecay = 40, kInstrument = 41, kKeyRange = 43,
  kVelRange = 44, kLoopStartCoarseOffset = 45, kInitialAttenuation = 48,
  kLoopEndCoarseOffset = 50, kCoarseTune = 51, kFineTune = 52, kSampleId = 53,
  kSampleModes = 54, kScaleTuning = 56, kOverridingRootKey = 58, kGeneratorCount = 61
};

// One instrument zone as a preset zone plays it.
struct ResolvedZone {
  int presetZone = 0;      // index in the preset's zones
  int instrumentZone = 0;  // index in the instrument's zones
  int instrument = 0;
  int sample = 0;
  int keyLow = 0, keyHigh = 127, velLow = 0, velHigh = 127;
  std::array<int32_t, kGeneratorCount> gen{};  // final values, clamped to their legal ranges
  int32_t modWheelToPitch = 0;  // cents of vibrato the modulation wheel adds at full travel

  bool PlaysKey(int key) const { return keyLow <= key && key <= keyHigh; }
  bool PlaysVelocity(int velocity) const { return velLow <= velocity && velocity <= velHigh; }
};

// Every (preset zone, instrument zone) pair of a preset whose ranges meet, in file order.
std::vector<ResolvedZone> ResolvePreset(const Bank& bank, const Preset& preset);

// Seconds from timecents.
double TimecentsToSeconds(int32_t timecents);

}  // namespace tonemill::soundfont
