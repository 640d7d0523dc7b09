// tonemill expand|compress|fade|gate|gatedcut|extend|lowpass|highpass|bandpass|notch|ring|
//          cut|maximize|reverse IN.wav -o OUT.wav [--range START:END] [--unit ms|samples]
//          [--channel left|right|both] [the effect's options] [--force] [--quiet]
// Every command is built from its row in the table of effects.
#include "commands.h"
#include "waverun.h"
#include "tonemill/effects/catalog.h"
#include "tonemill/files/audioinput.h"
#include "tonemill/wave/widthconvert.h"

#include <cstdio>

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
    parser.Value("bits", 0, &bits, "N", "8, 16, 24, 32 or float: the output's width (default the input's)");
    parser.Value("format", 0, &format, "NAME",
                 "the output's container: wav, flac, ogg, opus, mp3 or aiff (default: the output's extension)");
    parser.Flag("resample", 0, &resample,
                "an output rate the encoder refuses (Opus, MP3) is converted to the nearest it takes");
    parser.Flag("keep-chunks", 0, &keepChunks,
                "copy the input's other chunks (LIST/INFO, cue, ...) into a WAV output and its tags into a "
                "tagged one; the default for inputs of other widths, rates and formats");
    range.Register(parser);
    if (auto exit = ParseEffectCommand(parser, argc, argv, name, out, range, facts, launch)) return exit;
    return ChooseOutput();
  }

  // The output's container and width, refused before anything runs when they do not go together.
  std::optional<int> ChooseOutput() {
    container = ops::IsStandardOutput(out.output) ? Container::Wav
                                                  : ContainerOfName(out.output).value_or(Container::Wav);
    if (!format.empty()) {
      std::string error;
      const std::optional<Container> named = FormatOptionContainer(format, error);
      if (!named) {
        PrintError(name + ": " + error);
        return kExitUsage;
      }
      container = *named;
    }
    const std::optional<WaveEncoding> input = EngineEncoding(TWAVheader(launch.input));
    if (!input) return std::nullopt;  // the engine says why
    encoding = *input;
    if (!bits.empty()) {
      const std::optional<WaveEncoding> named = EncodingNamed(bits, input->format);
      if (!named) {
        PrintError(name + ": --bits takes 8, 16, 24, 32 or float, not " + bits);
        return kExitUsage;
      }
      encoding = *named;
    }
    if (container != Container::Wav)
      if (std::optional<std::string> limit = EncodingLimit(container, encoding.format.rate, encoding.format.bits)) {
        const int32_t rate = EncodableRate(container, encoding.format.rate);
        const bool converts = rate != encoding.format.rate && !EncodingLimit(container, rate, encoding.format.bits);
        if (!converts || !resample) {
          // The commands have no --rate: the remedy is --resample.
          if (converts) limit = limit->substr(0, limit->find("; --rate ")) + "; --resample converts it to " +
                                std::to_string(rate) + " Hz";
          PrintError(name + ": " + ShownInputName(launch.input) + ": " + *limit);
          return kExitFailure;
        }
        SayResampling(resample, container, encoding.format.rate, out.output);
      }
    return std::nullopt;
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
    const bool convert = !(encoding == EngineEncoding(TWAVheader(launch.input)).value_or(encoding));
    return RunWaveOperation(out.output, inputs, out,
                            [&](const std::string& path, Progress& progress) {
                              progress.item = launch.input;
                              // Another width: the engine's output is converted into the one the
                              // job puts into place.
                              const std::string engineOutput = convert ? path + ".width.wav" : path;
                              struct Remove {
                                std::string path;
                                ~Remove() {
                                  if (!path.empty()) std::remove(path.c_str());
                                }
                              } remove{convert ? engineOutput : std::string()};
                              const RangeResult r = engine(RangeOf(launch, engineOutput), progress);
                              if (convert) ConvertWavWidth(engineOutput, path, encoding, progress);
                              return WaveWorkResult(out.output, r, launch.input);
                            },
                            {}, {container, {OriginalInput(), keepChunks}, resample});
  }

  // The file the user gave (standard input as its copy).
  std::string OriginalInput() const {
    const std::string original = ShownInputName(launch.input);
    return original == "-" ? launch.input : original;
  }

  std::string name, bits, format;
  bool keepChunks = false, resample = false;
  Container container = Container::Wav;
  WaveEncoding encoding;
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
