#include "catalog.h"

#include "tonemill/wave/editorops.h"
#include "tonemill/wave/effectparams.h"

#include <cmath>

namespace tonemill {
namespace {

constexpr const char* kRangeUsage = "IN.wav -o OUT.wav [options]";

EffectField Number(const char* option, const char* metavar, const char* help, const char* control,
                   const char* caption, RealField (*rule)(const LaunchValues&),
                   FieldUnit unit = FieldUnit::None) {
  EffectField f;
  f.option = option, f.metavar = metavar, f.help = help;
  f.control = control, f.caption = caption, f.unit = unit, f.rule = rule;
  return f;
}

EffectField Flag(const char* option, const char* help, const char* control, const char* caption,
                 bool byDefault) {
  EffectField f;
  f.kind = FieldKind::Flag;
  f.option = option, f.help = help, f.control = control, f.caption = caption;
  f.flagDefault = byDefault;
  return f;
}

// A library effect's patch column as an option and a dialog field.
EffectField Column(size_t column, const char* option, const char* metavar, const char* help,
                   const char* control, const char* caption, const char* header,
                   FieldUnit unit = FieldUnit::None) {
  EffectField f;
  f.option = option, f.metavar = metavar, f.help = help;
  f.control = control, f.caption = caption, f.header = header, f.unit = unit, f.column = column;
  return f;
}

EffectField Choice(const char* option, const char* metavar, const char* help,
                   std::vector<EffectChoice> choices, const char* takes) {
  EffectField f;
  f.kind = FieldKind::Choice;
  f.option = option, f.metavar = metavar, f.help = help, f.takes = takes;
  f.choices = std::move(choices);
  return f;
}

EffectField Other(FieldKind kind, const char* option, const char* metavar, const char* help) {
  EffectField f;
  f.kind = kind;
  f.option = option, f.metavar = metavar, f.help = help;
  return f;
}

EffectEntry Range(const char* command, const char* summary, const char* description,
                  int helpContext, const char* caption, const char* launcher,
                  std::vector<EffectField> fields, RangeEngine run) {
  EffectEntry e;
  e.command = command, e.summary = summary, e.description = description, e.usage = kRangeUsage;
  e.family = EffectFamily::Range, e.helpContext = helpContext;
  e.caption = caption, e.group = "Parameters", e.launcher = launcher;
  e.fields = std::move(fields);
  e.run = run;
  return e;
}

// Cut, Maximize and Reverse: nothing but the selection, run by the editor's own buttons.
EffectEntry EditorOperation(const char* command, const char* summary, const char* description,
                            const char* launcher, RangeEngine run) {
  EffectEntry e = Range(command, summary, description, 0, nullptr, launcher, {}, run);
  e.runByEditor = true;
  return e;
}

EffectEntry Library(EffectKind kind, const char* command, const char* summary,
                    const char* description, const char* usage, int helpContext,
                    const char* launcher, std::vector<EffectField> fields) {
  EffectEntry e;
  e.command = command, e.summary = summary, e.description = description, e.usage = usage;
  e.family = EffectFamily::Library, e.helpContext = helpContext;
  e.caption = EffectName(kind), e.group = "Parameters", e.launcher = launcher;
  e.fields = std::move(fields);
  e.kind = kind;
  return e;
}

// The rules of the range operations' fields, as their dialogs define them.
RealField ExpandParameter(const LaunchValues& l) { return EnhanceDialogFields(true, l).parameter; }
RealField ExpandAmplification(const LaunchValues& l) { return EnhanceDialogFields(true, l).amplification; }
RealField CompressParameter(const LaunchValues& l) { return EnhanceDialogFields(false, l).parameter; }
RealField CompressAmplification(const LaunchValues& l) { return EnhanceDialogFields(false, l).amplification; }
RealField EnhanceTime(const LaunchValues& l) { return EnhanceDialogFields(true, l).time; }
RealField FadeStart(const LaunchValues&) { return FadeDialogFields().startFactor; }
RealField FadeEnd(const LaunchValues&) { return FadeDialogFields().endFactor; }
RealField Threshold(const LaunchValues& l) { return ThresholdField(l.bits); }
RealField GateAttack(const LaunchValues& l) { return GateDialogFields(l).attack; }
RealField GateDecay(const LaunchValues& l) { return GateDialogFields(l).decay; }
RealField ExtendDuration(const LaunchValues& l) { return ExtendDialogFields(l).duration; }
RealField LowCutoff(const LaunchValues& l) { return LowHighDialogFields(true, l).cutoff; }
RealField HighCutoff(const LaunchValues& l) { return LowHighDialogFields(false, l).cutoff; }
RealField FilterAmplification(const LaunchValues& l) { return LowHighDialogFields(true, l).amplification; }
RealField BandCenter(const LaunchValues& l) { return BandDialogFields(false, l).center; }
RealField BandWidth(const LaunchValues& l) { return BandDialogFields(false, l).width; }
RealField RingRate(const LaunchValues&) { return RingDialogFields().rate; }

EffectEntry& FindRow(std::vector<EffectEntry>& effects, std::string_view command) {
  for (EffectEntry& e : effects)
    if (command == e.command) return e;
  return effects.front();
}

const char* const kThresholdHelp =
    "0-128 for 8-bit files (default 26), 0-32768 for 16-bit (default 3277); doubled and compared "
    "with |L| + |R| when both channels are gated";

std::vector<EffectEntry> MakeEffects() {
  const EffectField amp =
      Number("amp", "X", "amplification (default 1.000)", "amp", "Amplification", FilterAmplification);
  const EffectField center = Number("center", "HZ", "center frequency (default: a quarter of the rate)",
                                    "center", "Center (Hz)", BandCenter);
  const EffectField width = Number("width", "HZ", "band width (default: a quarter of the rate)", "width",
                                   "Width (Hz)", BandWidth);
  const EffectField time = Number("time", "T",
                                  "time resolution of the moving average: 0.1-100 ms or 1-4410 "
                                  "samples (default 50 ms)",
                                  "time", "Time resolution", EnhanceTime, FieldUnit::Time);
  EffectField gateThreshold =
      Number("threshold", "N", kThresholdHelp, "threshold", "Threshold", Threshold, FieldUnit::Threshold);
  gateThreshold.unitLabel = "rangeLabel";
  EffectField cutThreshold = gateThreshold;
  cutThreshold.help =
      "0-128 for 8-bit files (default 26), 0-32768 for 16-bit (default 3277); doubled for stereo files";
  cutThreshold.unitLabel = "maxLabel";
  EffectField wave = Choice("wave", "sine|square|triangle|saw", "modulator waveform (default sine)",
                            {{"sine", "sinButton", "Sine "},
                             {"square", "sqrButton", "Square "},
                             {"triangle", "triButton", "Triangle "},
                             {"saw", "sawButton", "Saw "}},
                            "sine, square, triangle or saw");
  wave.givenByDefault = "sine";

  std::vector<EffectEntry> effects = {
      // The library's effects, each with its patch file.
      Library(EffectKind::Echo, "echo", "add an echo to a range of a WAV file",
              "Adds a repeating echo to a range of a WAV file.", kRangeUsage, 3060, "echoBtn",
              {Column(echo::kLevel, "level", "%", "level of the echo, -100 to 100 (default 100.0)",
                      "level", "Level (%)", "Level %"),
               Column(echo::kFeedback, "feedback", "%", "share fed back, -99 to 99 (default 50.0)",
                      "feedBack", "Feedback (%)", "Feedback %"),
               Column(echo::kDelay, "delay", "T", "delay, in the unit (default 100 ms)", "delay", "Delay",
                      "Delay ms", FieldUnit::Time)}),
      Library(EffectKind::Flange, "flange", "flanger over a range of a WAV file",
              "Mixes a range of a WAV file with a copy from a swept, fed-back delay.", kRangeUsage, 3070,
              "flangeBtn",
              {Column(flange::kOriginal, "original", "X", "level of the input (default 1.000)",
                      "original", "Original level", "Original"),
               Column(flange::kEffect, "effect", "X", "level of the swept signal (default 1.000)",
                      "effect", "Effect level", "Effect"),
               Column(flange::kFeedback, "feedback", "%", "feedback, -100 to 100 (default 1.0)",
                      "feedBack", "Feedback (%)", "Feedback %"),
               Column(flange::kOffset, "offset", "T", "offset of the swept delay, in the unit (default 0)",
                      "offset", "Offset", "Offset ms", FieldUnit::Time),
               Column(flange::kVariation, "variation", "T", "sweep width, in the unit (default 1 ms)",
                      "variation", "Variation", "Variation ms", FieldUnit::Time),
               Column(flange::kRate, "rate", "HZ", "sweep rate (default 1.0)", "rate",
                      "Effect rate (Hz)", "Rate Hz")}),
      Library(EffectKind::Chorus, "chorus", "chorus over a range of a WAV file",
              "Mixes a range of a WAV file with a copy from a swept delay.", kRangeUsage, 3080,
              "chorusBtn",
              {Column(chorus::kOriginal, "original", "X", "level of the input (default 1.000)",
                      "original", "Original level", "Original"),
               Column(chorus::kEffect, "effect", "X", "level of the swept signal (default 1.000)",
                      "effect", "Effect level", "Effect"),
               Column(chorus::kOffset, "offset", "T", "offset of the swept delay, in the unit (default 0)",
                      "offset", "Offset", "Offset ms", FieldUnit::Time),
               Column(chorus::kVariation, "variation", "T", "sweep width, in the unit (default 1 ms)",
                      "variation", "Variation", "Variation ms", FieldUnit::Time),
               Column(chorus::kRate, "rate", "HZ", "sweep rate (default 1.0)", "rate",
                      "Effect rate (Hz)", "Rate Hz")}),
      Library(EffectKind::Reverb, "reverb", "add reverberation to a range of a WAV file",
              "Adds reverberation to a range of a WAV file.", kRangeUsage, 3090, "reverbBtn",
              {Column(reverb::kDecay, "decay", "T", "decay, in the unit (default 250 ms)", "decay",
                      "Decay", "Decay ms", FieldUnit::Time),
               Column(reverb::kDelay, "delay", "T",
                      "delay before the first reflection, in the unit (default 0)", "delay", "Delay",
                      "Delay ms", FieldUnit::Time),
               Column(reverb::kLevelLeft, "level-left", "%",
                      "wet level left (and mono), -1000 to 1000 (default 20)", nullptr, nullptr, "Left %"),
               Column(reverb::kLevelRight, "level-right", "%", "wet level right, -1000 to 1000 (default 20)",
                      nullptr, nullptr, "Right %")}),
      Library(EffectKind::Vocoder, "vocode", "vocode a carrier WAV file with a control WAV file",
              "Imposes the band envelopes of a control file on a range of a carrier.",
              "CARRIER.wav --control CONTROL.wav -o OUT.wav [options]", 3100, "vocoderBtn",
              {Other(FieldKind::File, "control", "CONTROL.wav", "the control (modulator) file (required)"),
               Column(vocoder::kAmplification, "amp", "X", "amplification (default 1.000)", "amp",
                      nullptr, "Amp."),
               Column(vocoder::kTime, "time", "T",
                      "time resolution, 0.1-100 ms or 1-4410 samples (default 10 ms)", "time", nullptr,
                      "Time ms", FieldUnit::Time),
               Column(vocoder::kBands, "bands", "N", "bands per channel, 1 to 32 (default 32)", "band",
                      nullptr, "Bands"),
               Flag("normalize", "prescan the control file and normalise to its loudest envelope",
                    nullptr, nullptr, false),
               Other(FieldKind::Table, "band-table", "FILE",
                     "32 lines of control centre, control width, carrier centre, carrier width and "
                     "weight")}),

      // The program's own operations on a range.
      Range("expand", "expand the dynamic range of a WAV file",
            "Expands the dynamic range of a WAV file: out = amp × s × (average + 1)^p.", 3130,
            "Expand dynamic range", "enhanceBtn",
            {Number("param", "X", "expansion (at least 0, default 0.30)", "param", "Expansion",
                    ExpandParameter),
             Number("amp", "X", "amplification (default 0.050)", "amp", "Amplification", ExpandAmplification),
             time},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return ExpandRange(r, EnhanceSettingsOf(true, v[0], v[1], v[2], v.launch), p);
            }),
      Range("compress", "compress the dynamic range of a WAV file",
            "Compresses the dynamic range of a WAV file: out = amp × s ÷ (average + 1)^p.", 3120,
            "Compress dynamic range", "compressBtn",
            {Number("param", "X", "compression (at least 0, default 0.30)", "param", "Compression",
                    CompressParameter),
             Number("amp", "X", "amplification (default 5.000)", "amp", "Amplification",
                    CompressAmplification),
             time},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return ExpandRange(r, EnhanceSettingsOf(false, v[0], v[1], v[2], v.launch), p);
            }),
      Range("fade", "fade a WAV file from one factor to another",
            "Fades a WAV file linearly from one factor to another over the range.", 3140, "Fade",
            "fadeBtn",
            {Number("start-factor", "X", "factor at the start of the range (default 1.000)", "startFactor",
                    "Start factor", FadeStart),
             Number("end-factor", "X", "factor one frame past its end (default 1.000)", "endFactor",
                    "End factor", FadeEnd)},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return FadeRange(r, {v[0], v[1]}, p);
            }),
      Range("gate", "gate the quiet passages of a WAV file",
            "Gates a WAV file: quiet passages close over the decay, open over the attack.", 3150, "Gate",
            "gateBtn",
            {gateThreshold,
             Number("attack", "T", "attack duration in the unit (default 0)", "attack", "Attack duration",
                    GateAttack, FieldUnit::Time),
             Number("decay", "T", "decay duration in the unit (default 0)", "decay", "Decay duration",
                    GateDecay, FieldUnit::Time)},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return GateRange(r, GateSettingsOf(v[0], v[1], v[2], v.launch), p);
            }),
      Range("gatedcut", "remove the quiet frames of a WAV file",
            "Removes the quiet frames of the range of a WAV file.", 3160, "Gated Cut", "gatedCutBtn",
            {cutThreshold,
             Flag("no-prune", "remove every quiet frame, not only those before the first and after the last loud one",
                  "pruneBox", "Prune", true)},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return GatedCutRange(r, {int32_t(std::trunc(v[0])), v[1] != 0}, p);
            }),
      Range("extend", "insert or append silence",
            "Inserts silence into a WAV file at the range's start, or appends it.", 3230, "Extend",
            "extendBtn",
            {Number("duration", "T", "length of the silence in the unit (default 0)", "duration", "Duration",
                    ExtendDuration, FieldUnit::Time),
             Flag("append", "add the silence after the last frame", "appendBox", "Append", false)},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return ExtendWav(r.input, r.output, ExtendSettingsOf(v[0], v[1] != 0, v.launch), p);
            }),
      Range("lowpass", "low-pass filter a WAV file", "Low-pass filters a WAV file (second-order Butterworth).",
            3010, "Low pass filter", "lowPassBtn",
            {Number("cutoff", "HZ", "cutoff frequency (default: half the rate)", "hhf", "HHF (Hz)", LowCutoff),
             amp},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return LowHighRange(r, {v[0], v[1], true}, p);
            }),
      Range("highpass", "high-pass filter a WAV file",
            "High-pass filters a WAV file: the input minus its low pass.", 3020, "High pass filter",
            "highPassBtn",
            {Number("cutoff", "HZ", "cutoff frequency (default 0)", "hhf", "HHF (Hz)", HighCutoff), amp},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return LowHighRange(r, {v[0], v[1], false}, p);
            }),
      Range("bandpass", "band-pass filter a WAV file", "Band-pass filters a WAV file (second-order section).",
            3030, "Band pass filter", "bandPassBtn", {center, width, amp},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return BandNotchRange(r, {v[0], v[1], v[2], false}, p);
            }),
      Range("notch", "notch filter a WAV file", "Notch filters a WAV file: the input minus its band pass.",
            3040, "Notch filter", "notchBtn", {center, width, amp},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return BandNotchRange(r, {v[0], v[1], v[2], true}, p);
            }),
      Range("ring", "ring-modulate a WAV file",
            "Ring-modulates a WAV file with a sine, square, triangle or saw wave.", 3050, "Ring modulation",
            "ringModBtn",
            {Number("rate", "HZ", "modulator rate (default 1000.00)", "rate", "Rate (Hz)", RingRate), wave},
            [](const RangeRequest& r, const FieldValues& v, Progress& p) {
              return RingRange(r, {v[0], RingWave(int(v[1]))}, p);
            }),
      EditorOperation("cut", "remove a range from a WAV file", "Removes the range from a WAV file.", "cutBtn",
                      [](const RangeRequest& r, const FieldValues&, Progress& p) { return CutRange(r, p); }),
      EditorOperation("maximize", "raise a WAV file's peak to full scale",
                      "Raises the range of a WAV file so that its peak reaches full scale.", "maximizeBtn",
                      [](const RangeRequest& r, const FieldValues&, Progress& p) { return MaximizeRange(r, p); }),
      EditorOperation("reverse", "reverse a WAV file or one of its channels",
                      "Reverses the range of a WAV file (or one channel of it).", "reverseBtn",
                      [](const RangeRequest& r, const FieldValues&, Progress& p) { return ReverseRange(r, p); }),
  };
  FindRow(effects, "ring").group = "Modulator";
  // The reverb's late part and its low-pass filters, on the bespoke form only.
  EffectEntry& reverbRow = FindRow(effects, "reverb");
  EffectField algorithm = Choice("algorithm", "chamber|chapel|hall|custom",
                                 "the late reverberation (default chamber)",
                                 {{"chamber", "chamberButton", "Chamber"},
                                  {"chapel", "chapelButton", "Chapel"},
                                  {"hall", "hallButton", "Hall"},
                                  {"custom", "customButton", "Custom"}},
                                 "chamber, chapel, hall or custom");
  algorithm.column = reverb::kAlgorithm;
  algorithm.firstValue = 1;
  reverbRow.fields.push_back(algorithm);
  for (const bool left : {true, false}) {
    EffectField lowpass = Other(FieldKind::List, left ? "lowpass-left" : "lowpass-right", "a,b,c,d,e,f",
                                left ? "six low-pass settings 0-99 % (default 46,48,50,52,53,55)"
                                     : "the same for the right channel");
    lowpass.column = left ? reverb::kLowpassLeft : reverb::kLowpassRight;
    lowpass.count = 6;
    lowpass.takes = "six values a,b,c,d,e,f";
    reverbRow.fields.push_back(lowpass);
  }
  return effects;
}

}  // namespace

const EffectField* EffectEntry::Field(std::string_view option) const {
  for (const EffectField& f : fields)
    if (option == f.option) return &f;
  return nullptr;
}

const std::vector<EffectEntry>& Effects() {
  static const std::vector<EffectEntry> effects = MakeEffects();
  return effects;
}

const EffectEntry* FindEffect(std::string_view command) {
  for (const EffectEntry& e : Effects())
    if (command == e.command) return &e;
  return nullptr;
}

const EffectEntry& EffectOf(EffectKind kind) {
  for (const EffectEntry& e : Effects())
    if (e.family == EffectFamily::Library && e.kind == kind) return e;
  return Effects().front();
}

FieldValues DefaultValues(const EffectEntry& effect, const LaunchValues& launch) {
  FieldValues v;
  v.launch = launch;
  for (const EffectField& f : effect.fields) {
    double value = 0;
    if (f.kind == FieldKind::Number && f.rule) value = FieldValue(f.rule(launch), f.rule(launch).defaultText).value_or(0);
    if (f.kind == FieldKind::Flag) value = f.flagDefault ? 1 : 0;
    if (f.kind == FieldKind::Choice) value = f.firstValue;
    v.values.push_back(value);
  }
  return v;
}

std::string UnitText(FieldUnit unit, const LaunchValues& launch) {
  switch (unit) {
    case FieldUnit::None: return {};
    case FieldUnit::Time: return launch.msMode ? "ms" : "samples";
    case FieldUnit::Threshold: return ThresholdRangeLabel(launch.bits);
  }
  return {};
}

}  // namespace tonemill
