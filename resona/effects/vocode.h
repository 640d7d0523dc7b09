// The channel vocoder: the control signal is split into up to 32 bands whose amplitudes are
// followed by moving averages; the carrier is split into its own bands, and the output is the
// sum of the carrier bands, each weighted and multiplied by its control band's envelope.
#pragma once

#include "frame.h"

namespace resona::effects {

constexpr int kMaxBands = 32;
constexpr int32_t kMaxWindowFrames = 900;

struct VocodeParameters {
  const char* controlFile = nullptr;
  int32_t windowFrames = 1;  // below 1 counts as 1, above 900 as 900
  int32_t bandCount = 32;    // clamped to 1..32
  int32_t amp256 = 256;
  int32_t normalize = 0;
  const int32_t* controlCenter = nullptr;
  const int32_t* controlWidth = nullptr;
  const int32_t* carrierCenter = nullptr;
  const int32_t* carrierWidth = nullptr;
  const int32_t* weight256 = nullptr;
};

int32_t RunVocode(const EffectCall& call, const VocodeParameters& parameters);

}  // namespace resona::effects
