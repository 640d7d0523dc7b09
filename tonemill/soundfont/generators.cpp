#include "generators.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace tonemill::soundfont {
namespace {

constexpr uint16_t kFullRange = 0x7f00;  // low 0, high 127

struct Limits {
  int32_t low, high;
};

// Legal ranges of the generators whose values the importer uses; others stay as given.
Limits LimitsOf(int oper) {
  switch (oper) {
    case kPan: return {-500, 500};
    case kInitialAttenuation: case kSustainVolEnv: return {0, 1440};
    case kDelayVolEnv: case kHoldVolEnv: return {-12000, 5000};
    case kAttackVolEnv: case kDecayVolEnv: case kReleaseVolEnv: return {-12000, 8000};
    case kKeyToVolEnvHold: case kKeyToVolEnvDecay: return {-1200, 1200};
    case kFreqModLfo: case kFreqVibLfo: return {-16000, 4500};
    case kModLfoToPitch: case kVibLfoToPitch: return {-12000, 12000};
    case kCoarseTune: return {-120, 120};
    case kFineTune: return {-99, 99};
    case kScaleTuning: return {0, 1200};
    case kOverridingRootKey: return {-1, 127};
    default: return {INT32_MIN, INT32_MAX};
  }
}

std::array<int32_t, kGeneratorCount> Defaults() {
  std::array<int32_t, kGeneratorCount> g{};
  g[8] = 13500;  // initial filter cutoff
  for (int i : {21, 23, 25, 26, 27, 28, 30, 33, 34, 35, 36, 38}) g[i] = -12000;
  g[kKeyRange] = g[kVelRange] = kFullRange;
  g[46] = g[47] = -1;  // fixed key and velocity: none
  g[kScaleTuning] = 100;
  g[kOverridingRootKey] = -1;
  return g;
}

// Generators that only instruments may set; a preset's values for them are ignored.
bool InstrumentOnly(int oper) {
  switch (oper) {
    case kStartOffset: case kEndOffset: case kLoopStartOffset: case kLoopEndOffset:
    case kStartCoarseOffset: case kEndCoarseOffset: case kLoopStartCoarseOffset:
    case kLoopEndCoarseOffset: case 46: case 47: case kSampleModes: case 57:
    case kOverridingRootKey: case kSampleId: case kInstrument:
      return true;
    default: return false;
  }
}

int32_t ValueOf(int oper, const Generator& g) {
  if (oper == kKeyRange || oper == kVelRange || oper == kSampleId || oper == kInstrument ||
      oper == kSampleModes)
    return g.amount;
  return g.Signed();
}

void Apply(const Zone& zone, std::array<int32_t, kGeneratorCount>& values,
           std::array<bool, kGeneratorCount>* set = nullptr) {
  for (const Generator& g : zone.generators)
    if (g.oper < kGeneratorCount) {
      values[g.oper] = ValueOf(g.oper, g);
      if (set) (*set)[g.oper] = true;
    }
}

bool HasGenerator(const Zone& zone, uint16_t oper) {
  return std::any_of(zone.generators.begin(), zone.generators.end(),
                     [&](const Generator& g) { return g.oper == oper; });
}

// The zone that holds defaults for the others: a first zone without its terminal generator.
const Zone* GlobalZone(const std::vector<Zone>& zones, uint16_t terminal) {
  return !zones.empty() && !HasGenerator(zones.front(), terminal) ? &zones.front() : nullptr;
}

using ModulatorKey = std::tuple<uint16_t, uint16_t, uint16_t>;  // source, destination, amount source

void ApplyModulators(const Zone* zone, std::map<ModulatorKey, int32_t>& mods) {
  if (!zone) return;
  for (const Modulator& m : zone->modulators)
    mods[{m.source, m.destination, m.amountSource}] = m.amount;
}

bool IsModWheelToPitch(const ModulatorKey& k) {
  auto [source, destination, amountSource] = k;
  return (source & 0xff) == 0x81 && amountSource == 0 &&
         (destination == kVibLfoToPitch || destination == kModLfoToPitch);
}

struct Range {
  int low, high;
};
Range RangeOf(int32_t value) { return {value & 0xff, (value >> 8) & 0xff}; }

}  // namespace

double TimecentsToSeconds(int32_t timecents) { return std::exp2(timecents / 1200.0); }

std::vector<ResolvedZone> ResolvePreset(const Bank& bank, const Preset& preset) {
  std::vector<ResolvedZone> out;
  const Zone* presetGlobal = GlobalZone(preset.zones, kInstrument);
  for (size_t pz = 0; pz < preset.zones.size(); ++pz) {
    const Zone& pzone = preset.zones[pz];
    if (!HasGenerator(pzone, kInstrument)) continue;  // the global zone, or a stray one
    std::array<int32_t, kGeneratorCount> presetValues{};
    presetValues[kKeyRange] = presetValues[kVelRange] = kFullRange;
    if (presetGlobal) Apply(*presetGlobal, presetValues);
    Apply(pzone, presetValues);
    std::map<ModulatorKey, int32_t> presetMods;
    ApplyModulators(presetGlobal, presetMods);
    ApplyModulators(&pzone, presetMods);

    const int inst = presetValues[kInstrument];
    const Instrument& instrument = bank.instruments[size_t(inst)];
    const Zone* instGlobal = GlobalZone(instrument.zones, kSampleId);
    for (size_t iz = 0; iz < instrument.zones.size(); ++iz) {
      const Zone& izone = instrument.zones[iz];
      if (!HasGenerator(izone, kSampleId)) continue;
      ResolvedZone r;
      r.presetZone = int(pz);
      r.instrumentZone = int(iz);
      r.instrument = inst;
      r.gen = Defaults();
      if (instGlobal) Apply(*instGlobal, r.gen);
      Apply(izone, r.gen);
      r.sample = r.gen[kSampleId];

      const Range pk = RangeOf(presetValues[kKeyRange]), ik = RangeOf(r.gen[kKeyRange]);
      const Range pv = RangeOf(presetValues[kVelRange]), iv = RangeOf(r.gen[kVelRange]);
      r.keyLow = std::max(pk.low, ik.low);
      r.keyHigh = std::min({pk.high, ik.high, 127});
      r.velLow = std::max(pv.low, iv.low);
      r.velHigh = std::min({pv.high, iv.high, 127});
      if (r.keyLow > r.keyHigh || r.velLow > r.velHigh) continue;

      for (int g = 0; g < kGeneratorCount; ++g) {
        if (g == kKeyRange || g == kVelRange || InstrumentOnly(g)) continue;
        r.gen[g] += presetValues[g];
      }
      for (int g = 0; g < kGeneratorCount; ++g) {
        const Limits l = LimitsOf(g);
        r.gen[g] = std::clamp(r.gen[g], l.low, l.high);
      }
      r.gen[kSampleModes] &= 3;

      std::map<ModulatorKey, int32_t> instMods = {{{0x0081, kVibLfoToPitch, 0}, 50}};
      ApplyModulators(instGlobal, instMods);
      ApplyModulators(&izone, instMods);
      for (const auto& [key, amount] : presetMods) instMods[key] += amount;
      for (const auto& [key, amount] : instMods)
        if (IsModWheelToPitch(key)) r.modWheelToPitch += std::abs(amount);
      out.push_back(r);
    }
  }
  return out;
}

}  // namespace tonemill::soundfont
