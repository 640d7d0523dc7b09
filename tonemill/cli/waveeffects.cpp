// tonemill expand|compress|fade|gate|gatedcut|extend|lowpass|highpass|bandpass|notch|ring|
//          cut|maximize|reverse IN.wav -o OUT.wav [--range START:END] [--unit ms|samples]
//          [--channel left|right|both] [the effect's options] [--force] [--quiet]
#include "commands.h"
#include "waverun.h"
#include "tonemill/wave/editorops.h"
#include "tonemill/wave/effectparams.h"

namespace tonemill::cli {
namespace {

using Engine = std::function<RangeResult(const RangeRequest&, Progress&)>;

// One effect command: the shared options, the effect's own, and the run.
struct EffectCommand {
  EffectCommand(const std::string& command, const std::string& summary)
      : name(command), parser(command, "IN.wav -o OUT.wav [options]", summary) {}

  // Registers the shared options (after the effect's own) and parses.
  std::optional<int> Parse(int argc, char** argv) {
    out.Register(parser, "the processed file (required)");
    range.Register(parser);
    return ParseEffectCommand(parser, argc, argv, name, out, range, facts, launch);
  }

  // The option's value checked by the dialog's field; its default when not given.
  std::optional<int> Field(const std::string& option, const RealField& field,
                           const std::string& text, double& value) const {
    return ApplyField(name, option, field, text, value);
  }

  int Run(const Engine& engine) const {
    return RunWaveOperation(out.output, {launch.input}, out,
                            [&](const std::string& path, Progress& progress) {
                              progress.item = launch.input;
                              const RangeResult r = engine(RangeOf(launch, path), progress);
                              EngineRun run;
                              run.cancelled = r.cancelled;
                              if (r.endsEarly) run.problem = PrematureEnd(launch.input);
                              return run;
                            });
  }

  std::string name;
  OptionParser parser;
  OutputOptions out;
  RangeOptions range;
  EditorInput facts;
  LaunchValues launch;
};

int Enhance(int argc, char** argv, bool expand) {
  EffectCommand c(expand ? "expand" : "compress",
                  expand ? "Expands the dynamic range of a WAV file: out = amp × s × (average + 1)^p."
                         : "Compresses the dynamic range of a WAV file: out = amp × s ÷ (average + 1)^p.");
  std::string param, amp, time;
  c.parser.Value("param", 0, &param, "X", std::string(expand ? "expansion" : "compression") + " (at least 0, default 0.30)");
  c.parser.Value("amp", 0, &amp, "X", std::string("amplification (default ") + (expand ? "0.050)" : "5.000)"));
  c.parser.Value("time", 0, &time, "T", "time resolution of the moving average: 0.1-100 ms or 1-4410 samples (default 50 ms)");
  if (auto exit = c.Parse(argc, argv)) return *exit;
  const EnhanceFields f = EnhanceDialogFields(expand, c.launch);
  double p = 0, a = 0, t = 0;
  if (auto exit = c.Field("param", f.parameter, param, p)) return *exit;
  if (auto exit = c.Field("amp", f.amplification, amp, a)) return *exit;
  if (auto exit = c.Field("time", f.time, time, t)) return *exit;
  const EnhanceSettings s = EnhanceSettingsOf(expand, p, a, t, c.launch);
  return c.Run([&](const RangeRequest& r, Progress& progress) { return ExpandRange(r, s, progress); });
}

int LowHigh(int argc, char** argv, bool low) {
  EffectCommand c(low ? "lowpass" : "highpass",
                  low ? "Low-pass filters a WAV file (second-order Butterworth)."
                      : "High-pass filters a WAV file: the input minus its low pass.");
  std::string cutoff, amp;
  c.parser.Value("cutoff", 0, &cutoff, "HZ", low ? "cutoff frequency (default: half the rate)" : "cutoff frequency (default 0)");
  c.parser.Value("amp", 0, &amp, "X", "amplification (default 1.000)");
  if (auto exit = c.Parse(argc, argv)) return *exit;
  const LowHighFields f = LowHighDialogFields(low, c.launch);
  double hz = 0, a = 0;
  if (auto exit = c.Field("cutoff", f.cutoff, cutoff, hz)) return *exit;
  if (auto exit = c.Field("amp", f.amplification, amp, a)) return *exit;
  return c.Run([&](const RangeRequest& r, Progress& p) { return LowHighRange(r, {hz, a, low}, p); });
}

int BandNotch(int argc, char** argv, bool notch) {
  EffectCommand c(notch ? "notch" : "bandpass",
                  notch ? "Notch filters a WAV file: the input minus its band pass."
                        : "Band-pass filters a WAV file (second-order section).");
  std::string center, width, amp;
  c.parser.Value("center", 0, &center, "HZ", "center frequency (default: a quarter of the rate)");
  c.parser.Value("width", 0, &width, "HZ", "band width (default: a quarter of the rate)");
  c.parser.Value("amp", 0, &amp, "X", "amplification (default 1.000)");
  if (auto exit = c.Parse(argc, argv)) return *exit;
  const BandFields f = BandDialogFields(notch, c.launch);
  double hz = 0, w = 0, a = 0;
  if (auto exit = c.Field("center", f.center, center, hz)) return *exit;
  if (auto exit = c.Field("width", f.width, width, w)) return *exit;
  if (auto exit = c.Field("amp", f.amplification, amp, a)) return *exit;
  return c.Run([&](const RangeRequest& r, Progress& p) { return BandNotchRange(r, {hz, w, a, notch}, p); });
}

// Cut, Maximize and Reverse take nothing but the selection.
int EditorOperation(int argc, char** argv, const std::string& name, const std::string& summary,
                    RangeResult (*operation)(const RangeRequest&, Progress&)) {
  EffectCommand c(name, summary);
  if (auto exit = c.Parse(argc, argv)) return *exit;
  return c.Run(operation);
}

}  // namespace

int RunExpand(int argc, char** argv) { return Enhance(argc, argv, true); }
int RunCompress(int argc, char** argv) { return Enhance(argc, argv, false); }
int RunLowpass(int argc, char** argv) { return LowHigh(argc, argv, true); }
int RunHighpass(int argc, char** argv) { return LowHigh(argc, argv, false); }
int RunBandpass(int argc, char** argv) { return BandNotch(argc, argv, false); }
int RunNotch(int argc, char** argv) { return BandNotch(argc, argv, true); }

int RunFade(int argc, char** argv) {
  EffectCommand c("fade", "Fades a WAV file linearly from one factor to another over the range.");
  std::string from, to;
  c.parser.Value("start-factor", 0, &from, "X", "factor at the start of the range (default 1.000)");
  c.parser.Value("end-factor", 0, &to, "X", "factor one frame past its end (default 1.000)");
  if (auto exit = c.Parse(argc, argv)) return *exit;
  const FadeFields f = FadeDialogFields();
  double a = 0, b = 0;
  if (auto exit = c.Field("start-factor", f.startFactor, from, a)) return *exit;
  if (auto exit = c.Field("end-factor", f.endFactor, to, b)) return *exit;
  return c.Run([&](const RangeRequest& r, Progress& p) { return FadeRange(r, {a, b}, p); });
}

int RunGate(int argc, char** argv) {
  EffectCommand c("gate", "Gates a WAV file: quiet passages close over the decay, open over the attack.");
  std::string threshold, attack, decay;
  c.parser.Value("threshold", 0, &threshold, "N",
                 "0-128 for 8-bit files (default 26), 0-32768 for 16-bit (default 3277); doubled "
                 "and compared with |L| + |R| when both channels are gated");
  c.parser.Value("attack", 0, &attack, "T", "attack duration in the unit (default 0)");
  c.parser.Value("decay", 0, &decay, "T", "decay duration in the unit (default 0)");
  if (auto exit = c.Parse(argc, argv)) return *exit;
  const GateFields f = GateDialogFields(c.launch);
  double t = 0, a = 0, d = 0;
  if (auto exit = c.Field("threshold", f.threshold, threshold, t)) return *exit;
  if (auto exit = c.Field("attack", f.attack, attack, a)) return *exit;
  if (auto exit = c.Field("decay", f.decay, decay, d)) return *exit;
  const GateSettings s = GateSettingsOf(t, a, d, c.launch);
  return c.Run([&](const RangeRequest& r, Progress& p) { return GateRange(r, s, p); });
}

int RunGatedCut(int argc, char** argv) {
  EffectCommand c("gatedcut", "Removes the quiet frames of the range of a WAV file.");
  std::string threshold;
  bool noPrune = false;
  c.parser.Value("threshold", 0, &threshold, "N",
                 "0-128 for 8-bit files (default 26), 0-32768 for 16-bit (default 3277); doubled "
                 "for stereo files");
  c.parser.Flag("no-prune", 0, &noPrune,
                "remove every quiet frame, not only those before the first and after the last loud one");
  if (auto exit = c.Parse(argc, argv)) return *exit;
  double t = 0;
  if (auto exit = c.Field("threshold", GatedCutDialogFields(c.launch).threshold, threshold, t)) return *exit;
  const GatedCutSettings s{int32_t(t), !noPrune};
  return c.Run([&](const RangeRequest& r, Progress& p) { return GatedCutRange(r, s, p); });
}

int RunExtend(int argc, char** argv) {
  EffectCommand c("extend", "Inserts silence into a WAV file at the range's start, or appends it.");
  std::string duration;
  bool append = false;
  c.parser.Value("duration", 0, &duration, "T", "length of the silence in the unit (default 0)");
  c.parser.Flag("append", 0, &append, "add the silence after the last frame");
  if (auto exit = c.Parse(argc, argv)) return *exit;
  double d = 0;
  if (auto exit = c.Field("duration", ExtendDialogFields(c.launch).duration, duration, d)) return *exit;
  const ExtendSettings s = ExtendSettingsOf(d, append, c.launch);
  return c.Run([&](const RangeRequest& r, Progress& p) { return ExtendWav(r.input, r.output, s, p); });
}

int RunRing(int argc, char** argv) {
  EffectCommand c("ring", "Ring-modulates a WAV file with a sine, square, triangle or saw wave.");
  std::string rate, wave = "sine";
  c.parser.Value("rate", 0, &rate, "HZ", "modulator rate (default 1000.00)");
  c.parser.Value("wave", 0, &wave, "sine|square|triangle|saw", "modulator waveform (default sine)");
  if (auto exit = c.Parse(argc, argv)) return *exit;
  RingWave shape = RingWave::Sine;
  if (wave == "square") shape = RingWave::Square;
  else if (wave == "triangle") shape = RingWave::Triangle;
  else if (wave == "saw") shape = RingWave::Saw;
  else if (wave != "sine") {
    PrintError("ring: --wave takes sine, square, triangle or saw");
    return kExitUsage;
  }
  double hz = 0;
  if (auto exit = c.Field("rate", RingDialogFields().rate, rate, hz)) return *exit;
  return c.Run([&](const RangeRequest& r, Progress& p) { return RingRange(r, {hz, shape}, p); });
}

int RunCut(int argc, char** argv) {
  return EditorOperation(argc, argv, "cut", "Removes the range from a WAV file.", CutRange);
}
int RunMaximize(int argc, char** argv) {
  return EditorOperation(argc, argv, "maximize",
                         "Raises the range of a WAV file so that its peak reaches full scale.",
                         MaximizeRange);
}
int RunReverse(int argc, char** argv) {
  return EditorOperation(argc, argv, "reverse", "Reverses the range of a WAV file (or one channel of it).",
                         ReverseRange);
}

}  // namespace tonemill::cli
