// The five effects' patch layouts and field rules, and the fields a dialog (or the command
// line) holds: every value of a patch, times in the WAV editor's unit.
#pragma once

#include "patchfile.h"
#include "tonemill/wave/selection.h"

#include <optional>
#include <string>
#include <vector>

namespace tonemill {

enum class EffectKind { Echo, Flange, Chorus, Reverb, Vocoder };

const PatchLayout& LayoutOf(EffectKind kind);
// The dialog's caption, which also names the command ("Echo", "Flange", ...).
const char* EffectName(EffectKind kind);

// The vocoder's default band table: centres and widths (the width of a band is half the
// distance from the centre two places earlier in the table, which starts with 0 and 520).
int32_t DefaultBandCentre(int band);
int32_t DefaultBandWidth(int band);

// Column indexes of the layouts.
namespace echo { enum Column { kLevel, kFeedback, kDelay }; }
namespace flange { enum Column { kOriginal, kEffect, kFeedback, kOffset, kVariation, kRate }; }
namespace chorus { enum Column { kOriginal, kEffect, kOffset, kVariation, kRate }; }
namespace reverb {
enum Column { kDecay, kDelay, kLevelLeft, kLevelRight, kLowpassLeft, kLowpassRight = kLowpassLeft + 6,
              kAlgorithm = kLowpassRight + 6 };
}
namespace vocoder {
enum Column { kAmplification, kTime, kBands };
enum BandColumn { kControlCentre, kControlWidth, kCarrierCentre, kCarrierWidth, kWeight };
}

// The values a dialog's fields hold: the patch's values as numbers, time columns in the
// launch unit (milliseconds, or frames shown without decimals), and the vocoder's band texts.
struct EffectFields {
  EffectKind kind = EffectKind::Echo;
  std::vector<double> values;
  std::vector<std::vector<std::string>> bands;
};

// Loads a patch into the fields: in frame mode a time becomes ms × frames per ms, rounded to
// whole frames as the field shows it.
EffectFields FieldsFromPatch(EffectKind kind, const Patch& patch, const LaunchValues& launch);
// The patch for the fields (a time converted back to milliseconds with two decimals).
Patch PatchFromFields(const EffectFields& fields, const std::string& name, const LaunchValues& launch);

// A field's check, as on leaving the field: the column's range in the launch unit, with the
// field's own message; a time that sizes a delay may not exceed the file's duration. Sets the
// value on success.
std::optional<Problem> CheckFieldText(EffectKind kind, size_t column, const std::string& text,
                                      const LaunchValues& launch);
std::optional<Problem> SetField(EffectFields& fields, size_t column, const std::string& text,
                                const LaunchValues& launch);
// The field's text for its value: the column's decimals, a time in frames without any.
std::string FieldText(const EffectFields& fields, size_t column, const LaunchValues& launch);
// A cell of the patch grid edited in place (milliseconds, whatever the unit) passes its
// column's check before it can reach an effect.
std::optional<Problem> CheckPatchCell(EffectKind kind, size_t column, const std::string& text,
                                      const LaunchValues& launch);
// Every value checked again before a run, as the fields would check it: values loaded from a
// patch file never passed a field.
std::optional<Problem> CheckFields(const EffectFields& fields, const LaunchValues& launch);
// The vocoder's bands in use: centres from 0 to half the rate of their signal (the control
// file's, the carrier's), widths above 0 up to half that rate.
std::optional<Problem> CheckBands(const EffectFields& fields, int32_t controlRate, int32_t carrierRate);
// The bands in use after the default table was fitted to the signals' rates: with the default
// frequencies (whatever the weights), the bands that do not fit the control file's rate or the
// carrier's are left out, and `warning` names them. A table with other frequencies is used as it
// is, and CheckBands judges it; so is a default table of which no band would fit.
struct BandFit {
  int count = 0;
  std::string warning;
};
BandFit FitDefaultBands(const EffectFields& fields, int32_t controlRate, int32_t carrierRate);
// A band cell's check (frequencies 0 to 44100, weights any number).
std::optional<Problem> SetBandCell(EffectFields& fields, size_t band, size_t column,
                                   const std::string& text);

}  // namespace tonemill
