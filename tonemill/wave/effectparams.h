// The parameter edits of the effect dialogs the WAV editor launches — defaults, allowed ranges,
// formats and messages — and the computations their OK buttons make from the values, for the
// dialogs and the command line alike (through the rules of the table of effects). Every value passed in is one a field's check accepted.
#pragma once

#include "band.h"
#include "enhance.h"
#include "extend.h"
#include "fade.h"
#include "fields.h"
#include "gate.h"
#include "gatedcut.h"
#include "lohi.h"
#include "ring.h"
#include "selection.h"

namespace tonemill {

// Expand / Compress. The variant follows the caption: "Expand dynamic range" or "Compress
// dynamic range" (a caption beginning with "E" expands).
struct EnhanceFields {
  RealField parameter, amplification, time;
};
EnhanceFields EnhanceDialogFields(bool expand, const LaunchValues& launch);
// The exponent is the parameter for Compress and its negation for Expand; the window is
// Round(time × rate × 0.001) frames in ms or the time itself in samples, at most 4420.
EnhanceSettings EnhanceSettingsOf(bool expand, double parameter, double amplification,
                                  double time, const LaunchValues& launch);

struct FadeFields {
  RealField startFactor, endFactor;
};
FadeFields FadeDialogFields();

// Gate and Gated Cut share the threshold edit: 0..128 for 8-bit files, 0..32768 for 16-bit,
// whatever the range label says.
RealField ThresholdField(int32_t bits);
// The label beside it: "(0-255)" or "(0-32768)".
const char* ThresholdRangeLabel(int32_t bits);

struct GateFields {
  RealField threshold, attack, decay;
};
GateFields GateDialogFields(const LaunchValues& launch);
// The threshold truncated; attack and decay in frames as the selection converts times.
GateSettings GateSettingsOf(double threshold, double attack, double decay, const LaunchValues& launch);

struct GatedCutFields {
  RealField threshold;
};
GatedCutFields GatedCutDialogFields(const LaunchValues& launch);

struct ExtendFields {
  RealField duration;
};
// The duration at most what keeps the output's data below 2 GB (when the launch values know
// the input's length).
ExtendFields ExtendDialogFields(const LaunchValues& launch);
// Only the selection's start is used.
ExtendSettings ExtendSettingsOf(double duration, bool append, const LaunchValues& launch);

// Low pass / high pass ("Low pass filter", "High pass filter"; a caption beginning with "H" is
// the high pass); the cutoff from 0 to half the rate.
struct LowHighFields {
  RealField cutoff, amplification;
};
LowHighFields LowHighDialogFields(bool lowPass, const LaunchValues& launch);

// Band pass / notch ("Band pass filter", "Notch filter"); centre and width from 0 to half the
// rate.
struct BandFields {
  RealField center, width, amplification;
};
BandFields BandDialogFields(bool notch, const LaunchValues& launch);

struct RingFields {
  RealField rate;
};
RingFields RingDialogFields();

}  // namespace tonemill
