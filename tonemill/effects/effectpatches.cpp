#include "effectpatches.h"

#include "tonemill/files/numbers.h"

#include <algorithm>
#include <cmath>

namespace tonemill {
namespace {

PatchColumn Real(std::string key, std::string def, int decimals, std::string message) {
  PatchColumn c;
  c.key = std::move(key);
  c.defaultText = std::move(def);
  c.decimals = decimals;
  c.message = std::move(message);
  return c;
}
PatchColumn Ranged(PatchColumn c, std::optional<double> min, std::optional<double> max) {
  if (min) c.hasMin = true, c.min = *min;
  if (max) c.hasMax = true, c.max = *max;
  return c;
}
PatchColumn Time(PatchColumn c) {
  c.time = true;
  return c;
}
// A time that sizes a delay line: longer than the file it would only hold silence, and far
// longer it would not fit in memory.
PatchColumn WithinFile(PatchColumn c) {
  c.withinFile = true;
  return c;
}
PatchColumn Integer(PatchColumn c) {
  c.integer = true;
  return c;
}

constexpr int32_t kCentres[34] = {0,    520,  780,  1040, 1300, 1560, 1820, 2080, 2340,
                                  2600, 2860, 3120, 3380, 3640, 3900, 4160, 4420, 4680,
                                  4940, 5200, 5460, 5720, 5980, 6240, 6500, 6760, 7020,
                                  7280, 7540, 7800, 8060, 10700, 13350, 16000};

std::string BandDefault(int band, int column) {
  if (column == vocoder::kWeight) return "1.0";
  const bool centre = column == vocoder::kControlCentre || column == vocoder::kCarrierCentre;
  return std::to_string(centre ? DefaultBandCentre(band) : DefaultBandWidth(band));
}

PatchLayout MakeLayout(EffectKind kind) {
  const PatchColumn original = Real("original", "1.000", 3, "Illegal amplitude factor!");
  const PatchColumn effect = Real("effect", "1.000", 3, "Illegal amplitude factor!");
  const PatchColumn offset = WithinFile(Time(Real("offset", "0.00", 2, "Illegal offset value!")));
  const PatchColumn variation =
      WithinFile(Time(Ranged(Real("variation", "1.00", 2, "Illegal variation value!"), 0, {})));
  const PatchColumn rate = Ranged(Real("rate", "1.0", 1, "Illegal rate value!"), 0, {});
  PatchLayout l;
  switch (kind) {
    case EffectKind::Echo:
      l.fileName = "ECHO.INI";
      l.columns = {Ranged(Real("level", "100.0", 1, "Illegal level value!"), -100, 100),
                   Ranged(Real("feedback", "50.0", 1, "Illegal feedback value!"), -99, 99),
                   WithinFile(Time(Ranged(Real("delay", "100.00", 2, "Illegal delay value!"), 0, {})))};
      break;
    case EffectKind::Flange:
      l.fileName = "FLANGE.INI";
      l.columns = {original, effect, Ranged(Real("feedback", "1.0", 1, "Illegal feedback value!"), -100, 100),
                   offset, variation, rate};
      break;
    case EffectKind::Chorus:
      l.fileName = "CHORUS.INI";
      l.columns = {original, effect, offset, variation, rate};
      break;
    case EffectKind::Reverb: {
      l.fileName = "REVERB.INI";
      l.columns = {Time(Ranged(Real("decay", "250.00", 2, "Illegal decay value!"), 0, {})),
                   WithinFile(Time(Ranged(Real("delay", "0.00", 2, "Illegal delay value!"), 0, {}))),
                   Ranged(Real("level-left", "20", 0, "Illegal left level value!"), -1000, 1000),
                   Ranged(Real("level-right", "20", 0, "Illegal right level value!"), -1000, 1000)};
      const char* lowpass[6] = {"46", "48", "50", "52", "53", "55"};
      for (const char* side : {"left", "right"})
        for (int k = 0; k < 6; ++k)
          l.columns.push_back(Ranged(Real(std::string("lowpass-") + side + std::to_string(k + 1),
                                          lowpass[k], 0, "Illegal filter gain!"),
                                     0, 99));
      l.columns.push_back(Integer(Ranged(Real("algorithm", "1", 0, "Illegal algorithm!"), 1, 4)));
      break;
    }
    case EffectKind::Vocoder: {
      l.fileName = "VOCODER.INI";
      PatchColumn time = Time(Ranged(Real("time", "10.00", 2, ""), 0.1, 100));
      l.columns = {Real("amplification", "1.000", 3, "Illegal amplification factor!"), time,
                   Integer(Ranged(Real("bands", "32", 0, "The allowed number of bands is 1 to 32!"), 1, 32))};
      const PatchColumn frequency = Integer(
          Ranged(Real("frequency", "0", 0, "The allowed frequency range is 0 to 44100 Hz!"), 0, 44100));
      PatchColumn weight = Real("weight", "1.0", 1, "Illegal band weight factor!");
      weight.keepText = true;
      l.bandLines = 32;
      l.bandColumns = {frequency, frequency, frequency, frequency, weight};
      l.bandDefault = BandDefault;
      break;
    }
  }
  return l;
}

}  // namespace

int32_t DefaultBandCentre(int band) { return kCentres[band + 2]; }
int32_t DefaultBandWidth(int band) { return (kCentres[band + 2] - kCentres[band]) / 2; }

const PatchLayout& LayoutOf(EffectKind kind) {
  static const PatchLayout layouts[5] = {MakeLayout(EffectKind::Echo), MakeLayout(EffectKind::Flange),
                                         MakeLayout(EffectKind::Chorus), MakeLayout(EffectKind::Reverb),
                                         MakeLayout(EffectKind::Vocoder)};
  return layouts[int(kind)];
}

const char* EffectName(EffectKind kind) {
  static const char* const names[5] = {"Echo", "Flange", "Chorus", "Reverb", "Vocoder"};
  return names[int(kind)];
}

EffectFields FieldsFromPatch(EffectKind kind, const Patch& patch, const LaunchValues& launch) {
  const PatchLayout& layout = LayoutOf(kind);
  EffectFields f;
  f.kind = kind;
  for (size_t c = 0; c < layout.columns.size(); ++c) {
    const std::string& text = c < patch.values.size() ? patch.values[c] : layout.columns[c].defaultText;
    double v = ParseReal(text).value_or(0.0);
    if (layout.columns[c].time && !launch.msMode) v = *ParseReal(FormatFixed(v * launch.framesPerMs, 0));
    f.values.push_back(v);
  }
  f.bands = patch.bands;
  return f;
}

Patch PatchFromFields(const EffectFields& fields, const std::string& name, const LaunchValues& launch) {
  const PatchLayout& layout = LayoutOf(fields.kind);
  Patch p;
  p.name = name;
  for (size_t c = 0; c < layout.columns.size(); ++c) {
    double v = fields.values[c];
    if (layout.columns[c].time && !launch.msMode) v = v / launch.framesPerMs;
    p.values.push_back(ColumnText(layout.columns[c], v));
  }
  p.bands = fields.bands;
  return p;
}

namespace {

// The vocoder's time resolution: 0.1 to 100 ms, or 1 to 4410 frames.
std::optional<Problem> CheckTimeResolution(const std::string& text, const LaunchValues& launch) {
  const double min = launch.msMode ? 0.1 : 1, max = launch.msMode ? 100 : 4410;
  if (IsRealInRange(text, true, true, min, max)) return std::nullopt;
  const int decimals = launch.msMode ? 2 : 0;
  return Problem("The allowed time resolution range is " + FormatFixed(min, decimals) + " to " +
                 FormatFixed(max, decimals) + (launch.msMode ? " ms!" : " samples!"));
}

}  // namespace

std::optional<Problem> CheckFieldText(EffectKind kind, size_t column, const std::string& text,
                                      const LaunchValues& launch) {
  const PatchColumn& c = LayoutOf(kind).columns.at(column);
  if (kind == EffectKind::Vocoder && column == vocoder::kTime) return CheckTimeResolution(text, launch);
  if (!ColumnAccepts(c, text)) return Problem(c.message);
  const std::optional<double> longest = LongestTime(launch);
  if (c.withinFile && longest && std::fabs(*ParseReal(text)) > *longest) return Problem(c.message);
  return std::nullopt;
}

std::optional<Problem> SetField(EffectFields& fields, size_t column, const std::string& text,
                                const LaunchValues& launch) {
  if (auto problem = CheckFieldText(fields.kind, column, text, launch)) return problem;
  fields.values[column] = *ParseReal(text);
  return std::nullopt;
}

std::string FieldText(const EffectFields& fields, size_t column, const LaunchValues& launch) {
  const PatchColumn& c = LayoutOf(fields.kind).columns.at(column);
  return FormatFixed(fields.values.at(column), c.time && !launch.msMode ? 0 : c.decimals);
}

std::optional<Problem> CheckPatchCell(EffectKind kind, size_t column, const std::string& text,
                                      const LaunchValues& launch) {
  // The grid holds milliseconds whatever the editor's unit.
  LaunchValues ms = launch;
  ms.msMode = true;
  return CheckFieldText(kind, column, text, ms);
}

std::optional<Problem> CheckFields(const EffectFields& fields, const LaunchValues& launch) {
  for (size_t c = 0; c < fields.values.size(); ++c) {
    // The text as the field would show it, so that a value loaded from a patch file is
    // judged as if typed.
    const std::string text = FieldText(fields, c, launch);
    if (auto problem = CheckFieldText(fields.kind, c, text, launch)) return problem;
  }
  const PatchLayout& layout = LayoutOf(fields.kind);
  for (size_t b = 0; b < fields.bands.size(); ++b)
    for (size_t c = 0; c < layout.bandColumns.size() && c < fields.bands[b].size(); ++c)
      if (!ColumnAccepts(layout.bandColumns[c], fields.bands[b][c])) return Problem(layout.bandColumns[c].message);
  return std::nullopt;
}

std::optional<Problem> CheckBands(const EffectFields& fields, int32_t controlRate, int32_t carrierRate) {
  const int count = int(std::clamp(fields.values.at(vocoder::kBands), 1.0, 32.0));
  for (int b = 0; b < count && size_t(b) < fields.bands.size(); ++b) {
    for (const bool control : {true, false}) {
      const size_t centreColumn = control ? vocoder::kControlCentre : vocoder::kCarrierCentre;
      const double half = (control ? controlRate : carrierRate) / 2.0;
      const double centre = ParseReal(fields.bands[size_t(b)][centreColumn]).value_or(-1);
      const double width = ParseReal(fields.bands[size_t(b)][centreColumn + 1]).value_or(-1);
      // A band beyond half the rate folds back; a width of 0 or beyond half the rate leaves
      // the filter without a pass band (or unstable).
      if (centre < 0 || centre > half || width <= 0 || width > half)
        return Problem("Band " + std::to_string(b + 1) + " (" + (control ? "ctl" : "car") +
                       "): the centre must lie from 0 to " + FormatFixed(half, 0) +
                       " Hz and the width above 0 up to " + FormatFixed(half, 0) + " Hz!");
    }
  }
  return std::nullopt;
}

BandFit FitDefaultBands(const EffectFields& fields, int32_t controlRate, int32_t carrierRate) {
  const int count = int(std::clamp(fields.values.at(vocoder::kBands), 1.0, 32.0));
  BandFit fit{count, {}};
  if (fields.bands.size() < size_t(count)) return fit;
  for (int b = 0; b < count; ++b)
    for (const int c : {vocoder::kControlCentre, vocoder::kControlWidth, vocoder::kCarrierCentre,
                        vocoder::kCarrierWidth}) {
      const bool centre = c == vocoder::kControlCentre || c == vocoder::kCarrierCentre;
      const double expected = centre ? DefaultBandCentre(b) : DefaultBandWidth(b);
      if (ParseReal(fields.bands[size_t(b)][size_t(c)]) != expected) return fit;
    }
  // The default table rises band by band, so the bands that do not fit are the last ones.
  auto fits = [](int band, int32_t rate) {
    const double half = rate / 2.0;
    return DefaultBandCentre(band) <= half && DefaultBandWidth(band) <= half;
  };
  int fitting = 0;
  while (fitting < count && fits(fitting, controlRate) && fits(fitting, carrierRate)) ++fitting;
  if (fitting == count || fitting == 0) return fit;
  const bool carrier = !fits(fitting, carrierRate);
  const int32_t rate = carrier ? carrierRate : controlRate;
  const std::string bands = fitting + 1 == count ? "Band " + std::to_string(count)
                                                 : "Bands " + std::to_string(fitting + 1) + " to " + std::to_string(count);
  fit.count = fitting;
  fit.warning = bands + " of the default table " + (fitting + 1 == count ? "lies" : "lie") + " above " +
                FormatFixed(rate / 2.0, 0) + " Hz, half the " + (carrier ? "carrier's" : "control file's") +
                " rate, and " + (fitting + 1 == count ? "is" : "are") + " left out.";
  return fit;
}

std::optional<Problem> SetBandCell(EffectFields& fields, size_t band, size_t column, const std::string& text) {
  const PatchColumn& c = LayoutOf(fields.kind).bandColumns.at(column);
  if (!ColumnAccepts(c, text)) return Problem(c.message);
  fields.bands.at(band).at(column) = c.keepText ? text : ColumnText(c, *ParseReal(text));
  return std::nullopt;
}

}  // namespace tonemill
