// tonemill expand|compress|fade|gate|gatedcut|extend|lowpass|highpass|bandpass|notch|ring|
//          cut|maximize|reverse IN.wav -o OUT.wav [--range START:END] [--unit ms|samples]
//          [--channel left|right|both] [the effect's options] [--force] [--quiet]
// Every command is built from its row in the table of effects.
#include "commands.h"
#include "waverun.h"
#include "tonemill/effects/catalog.h"

#include <memory>

namespace tonemill::cli {
namespace {

using Engine = std::function<RangeResult(const RangeRequest&, Progress&)>;

// One effect command: the shared options, the effect's own, and the run.
struct EffectCommand {
  explicit EffectCommand(const EffectEntry& effect)
      : name(effect.command), parser(effect.command, effect.usage, effect.description) {}

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
    std::vector<std::string> inputs{launch.input};
    if (const std::string shown = ShownInputName(launch.input); shown != launch.input && shown != "-")
      inputs.push_back(shown);
    return RunWaveOperation(out.output, inputs, out,
                            [&](const std::string& path, Progress& progress) {
                              progress.item = launch.input;
                              const RangeResult r = engine(RangeOf(launch, path), progress);
                              return WaveWorkResult(out.output, r.cancelled,
                                                    r.endsEarly ? std::optional(PrematureEnd(launch.input))
                                                                : std::nullopt);
                            });
  }

  std::string name;
  OptionParser parser;
  OutputOptions out;
  RangeOptions range;
  EditorInput facts;
  LaunchValues launch;
};

// The usage error of a choice given a word it does not know.
int NoSuchChoice(const EffectEntry& effect, const EffectField& field) {
  PrintError(std::string(effect.command) + ": --" + field.option + " takes " + field.takes);
  return kExitUsage;
}

}  // namespace

int RunRangeCommand(const EffectEntry& effect, int argc, char** argv) {
  EffectCommand c(effect);
  const size_t count = effect.fields.size();
  std::vector<std::string> texts(count);
  std::unique_ptr<bool[]> given(new bool[count]());
  for (size_t i = 0; i < count; ++i) {
    const EffectField& f = effect.fields[i];
    if (f.kind == FieldKind::Flag) {
      c.parser.Flag(f.option, 0, &given[i], f.help);
    } else {
      if (f.kind == FieldKind::Choice) texts[i] = f.givenByDefault;
      c.parser.Value(f.option, 0, &texts[i], f.metavar, f.help);
    }
  }
  if (auto exit = c.Parse(argc, argv)) return *exit;
  FieldValues values = DefaultValues(effect, c.launch);
  // The words first, then the numbers, each checked by its dialog field.
  for (size_t i = 0; i < count; ++i) {
    const EffectField& f = effect.fields[i];
    if (f.kind == FieldKind::Flag) values.values[i] = given[i] != f.flagDefault;
    if (f.kind != FieldKind::Choice || (texts[i].empty() && !*f.givenByDefault)) continue;
    size_t k = 0;
    while (k < f.choices.size() && texts[i] != f.choices[k].name) ++k;
    if (k == f.choices.size()) return NoSuchChoice(effect, f);
    values.values[i] = double(f.firstValue + int(k));
  }
  for (size_t i = 0; i < count; ++i) {
    const EffectField& f = effect.fields[i];
    if (f.kind == FieldKind::Number)
      if (auto exit = c.Field(f.option, f.rule(c.launch), texts[i], values.values[i])) return *exit;
  }
  return c.Run([&](const RangeRequest& r, Progress& p) { return effect.run(r, values, p); });
}

}  // namespace tonemill::cli
