// tonemill mix A.wav[:LEFT[:RIGHT]] B.wav... -o OUT.wav [--rate R] [--bits B] [--channels C]
//              [--force] [--quiet]
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

bool ParseChoice(const std::string& text, std::initializer_list<int> allowed, int32_t& value) {
  const std::optional<int> v = ParseInteger(text);
  if (!v) return false;
  for (int a : allowed)
    if (*v == a) {
      value = a;
      return true;
    }
  return false;
}

}  // namespace

int RunMix(int argc, char** argv) {
  OutputOptions out;
  std::string rate = "44100", bits = "16", channels = "2";
  OptionParser parser("mix", "A.wav[:LEFT[:RIGHT]] B.wav... -o OUT.wav [options]",
                      "Mixes WAV files into one, each from time zero with its own left and right "
                      "factor (default 1); sources of other formats are converted and resampled.");
  parser.Value("rate", 0, &rate, "HZ", "11025, 22050 or 44100 (default 44100)");
  parser.Value("bits", 0, &bits, "N", "8 or 16 bits per sample (default 16)");
  parser.Value("channels", 0, &channels, "N", "1 (mono) or 2 (stereo, default)");
  out.Register(parser, "the mix (required)");
  std::vector<std::string> arguments;
  if (std::optional<int> exit = parser.ParseOrExit(argc, argv, arguments)) return *exit;
  if (arguments.empty() || out.output.empty()) {
    PrintError("mix: give the sources and the output with -o (see --help)");
    return kExitUsage;
  }
  AudioFormat format = kDefaultMixFormat;
  if (!ParseChoice(rate, {11025, 22050, 44100}, format.rate) ||
      !ParseChoice(bits, {8, 16}, format.bits) || !ParseChoice(channels, {1, 2}, format.channels)) {
    PrintError("mix: --rate takes 11025, 22050 or 44100, --bits 8 or 16, --channels 1 or 2");
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
    if (auto problem = CheckMixSource(source.path, out.output)) {
      PrintProblem(*problem);
      return kExitFailure;
    }
    sources.push_back(source);
    paths.push_back(source.path);
  }
  return RunWaveOperation(
      out.output, paths, out,
      [&](const std::string& path, Progress& progress) {
        const MixResult r = MixWavFiles(sources, path, format, progress);
        return EngineRun{r.cancelled, r.problem};
      },
      kCannotOpenMixOutput);
}

}  // namespace tonemill::cli
