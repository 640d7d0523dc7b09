// The integer arguments the effect dialogs compute from their fields for the library's
// exports. Every conversion from a field's real number truncates toward zero unless it says it
// rounds (then to the nearest, halves to even).
#pragma once

#include "effectpatches.h"

#include <array>
#include <cstdint>

namespace tonemill {

constexpr int kFlangeTableSize = 1608;

struct RangeArguments {
  int32_t startFrame = 0, endFrame = 0;
  int32_t leftOnly = 0, rightOnly = 0;
};
RangeArguments RangeOf(const LaunchValues& launch);

struct EchoArguments {
  int32_t delayFrames = 0, feedback = 0, level = 0;
};
EchoArguments EchoArgumentsOf(const EffectFields& fields, const LaunchValues& launch);

struct FlangeArguments {
  int32_t offsetFrames = 0, variationFrames = 0;
  int32_t rateNum = 0, rateDen = 1;
  int32_t dryLevel = 0, wetLevel = 0, feedback = 0;
};
// The flanger's and the chorus's (feedback 0); `sampleRate` is the file's.
FlangeArguments FlangeArgumentsOf(const EffectFields& fields, const LaunchValues& launch,
                                  int32_t sampleRate);

// The oscillator tables: trunc(sin(i × step) × 65536) and trunc(cos(i × step) × 65536) with the
// step stored as 0.003907453549241036, in extended precision.
struct FlangeTables {
  std::array<int32_t, kFlangeTableSize> sine, cosine;
};
const FlangeTables& FlangeWaveTables();

struct ReverbArguments {
  int32_t algorithm = 1, decayMs = 0, predelayMs = 0, levelLeft = 0, levelRight = 0;
  int32_t lowpassLeft[6] = {}, lowpassRight[6] = {};
};
ReverbArguments ReverbArgumentsOf(const EffectFields& fields, const LaunchValues& launch);

struct VocodeArguments {
  int32_t windowFrames = 1, bandCount = 32, amp256 = 256, normalize = 0;
  int32_t controlCenter[32] = {}, controlWidth[32] = {}, carrierCenter[32] = {},
          carrierWidth[32] = {}, weight256[32] = {};
};
VocodeArguments VocodeArgumentsOf(const EffectFields& fields, const LaunchValues& launch, bool normalize);

// The "Equidistant" button: keeps the first and the last used band's centres (control and
// carrier), gives every band the width (last − first) ÷ bands and spreads the centres between
// them, formatted without decimals. A single band is left as it is.
void MakeEquidistant(EffectFields& fields);

// Saturating conversions of a field's real: toward zero, and to the nearest (halves to even).
int32_t TruncToInt32(double value);
int32_t RoundToInt32(double value);

}  // namespace tonemill
