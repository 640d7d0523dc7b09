// tonemill mix A.wav[:LEFT[:RIGHT]] B.wav... -o OUT.wav [--rate R] [--bits B] [--channels C]
//              [--resample] [--fold] [--force] [--quiet]
#include "commands.h"
#include "waverun.h"
#include "tonemill/files/numbers.h"
#include "tonemill/wave/wavmix.h"

#include <filesystem>

namespace tonemill::cli {
namespace {

// "NAME", "NAME:LEFT" or "NAME:LEFT:RIGHT": the factors are what follows the longest name
// that is an existing file (a name may hold colons itself); without one, the whole text.
bool ParseSource(const std::string& text, MixSource& source, std::string& error) {
  source = MixSource{text, 1, 1};
  std::error_code ec;
  std::string name = text;
  std::vector<std::string> factors;
  for (int i = 0; i < 3 && !std::filesystem::exists(name, ec); ++i) {
    const size_t colon = name.rfind(':');
    if (i == 2 || colon == std::string::npos) return true;  // no such file: the check says so
    factors.insert(factors.begin(), name.substr(colon + 1));
    name.resize(colon);
  }
  source.path = name;
  for (size_t i = 0; i < factors.size(); ++i) {
    double value = 0;
    if (auto p = CheckMixFactor(factors[i], i == 0, value)) {
      error = p->message;
      return false;
    }
    (i == 0 ? source.left : source.right) = value;
  }
  return true;
}

}  // namespace

int RunMix(int argc, char** argv) {
  OutputOptions out;
  AudioFormatOptions formatOptions;
  OptionParser parser("mix", "A.wav[:LEFT[:RIGHT]] B.wav... -o OUT.wav [options]",
                      "Mixes WAV files into one, each from time zero with its own left and right "
                      "factor (default 1); sources of other formats are converted and resampled.");
  formatOptions.Register(parser);
  MixOptions mixOptions;
  parser.Flag("resample", 0, &mixOptions.resample,
              "convert sources of another rate with a band-limited resampler (default: linear "
              "interpolation up, frame dropping down)");
  bool fold = false;
  parser.Flag("fold", 0, &fold,
              "fold sources of more than two channels into stereo (odd channels left, even "
              "right, each side their average) instead of refusing them");
  out.Register(parser, "the mix (required)");
  std::vector<std::string> arguments;
  if (std::optional<int> exit = parser.ParseOrExit(argc, argv, arguments)) return *exit;
  if (arguments.empty() || out.output.empty()) {
    PrintError("mix: give the sources and the output with -o (see --help)");
    return kExitUsage;
  }
  WaveEncoding format{kDefaultMixFormat, false};
  if (std::string error; !formatOptions.Apply(format, error)) {
    PrintError("mix: " + error);
    return kExitUsage;
  }
  std::vector<MixSource> sources;
  std::vector<std::string> paths;
  for (const std::string& argument : arguments) {
    MixSource source;
    if (std::string error; !ParseSource(argument, source, error)) {
      PrintError("mix: " + argument + ": " + error);
      return kExitUsage;
    }
    if (std::string error; !PrepareAudioInput(source.path, error, fold)) {
      if (!fold && error.find(" channels; ") != std::string::npos) error += " (--fold folds them into stereo)";
      PrintError(error);
      return kExitFailure;
    }
    if (auto problem = CheckMixSource(source.path, out.output)) {
      PrintProblem(*problem);
      return kExitFailure;
    }
    sources.push_back(source);
    paths.push_back(source.path);
    if (const std::string shown = ShownInputName(source.path); shown != source.path && shown != "-")
      paths.push_back(shown);
  }
  return RunWaveOperation(
      out.output, paths, out,
      [&](const std::string& path, Progress& progress) {
        const MixResult r = MixWavFilesAs(sources, path, format, progress, mixOptions);
        return WaveWorkResult(out.output, r.cancelled, r.problem);
      },
      kCannotOpenMixOutput);
}

}  // namespace tonemill::cli
