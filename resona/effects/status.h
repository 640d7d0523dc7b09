// Statuses of the effect exports. 0 and 1 are the ones the effect dialogs have always known;
// the others cover inputs the dialogs never pass, so that a direct call is safe too.
#pragma once

#include <cstdint>

namespace resona::effects {

enum EffectStatus : int32_t {
  kEffectOk = 0,             // also after a cancel
  kEffectOutOfMemory = 1,    // a delay line or an envelope window could not be allocated
  kEffectBadInput = 2,       // the input cannot be read, is not a WAV file the frame takes, or has no frame
  kEffectCantCreate = 3,     // the output file cannot be created
  kEffectWriteFailed = 4,    // writing the output failed (a full disk)
  kEffectBadControl = 5,     // the vocoder's control file cannot be read or has no frame
  kEffectBadArgument = 6,    // a missing counter or table pointer
};

}  // namespace resona::effects
