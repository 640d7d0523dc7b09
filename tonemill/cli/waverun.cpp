#include "waverun.h"

#include "climessages.h"
#include "terminal.h"

namespace tonemill::cli {
namespace {


}  // namespace

void OutputOptions::Register(OptionParser& parser, const std::string& outputHelp) {
  parser.Value("output", 'o', &output, "OUT.wav", outputHelp);
  parser.Flag("force", 0, &force, "overwrite an existing output file");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");
}

std::optional<int> ApplyField(const std::string& command, const std::string& option,
                              const RealField& field, const std::string& text, double& value) {
  double v = 0;
  std::string shown;
  if (auto problem = CheckField(field, text.empty() ? field.defaultText : text, v, shown)) {
    PrintError(command + ": --" + option + ": " + problem->message);
    return kExitUsage;
  }
  value = v;
  return std::nullopt;
}

std::optional<int> ParseEffectCommand(const OptionParser& parser, int argc, char** argv,
                                      const std::string& command, const OutputOptions& out,
                                      const RangeOptions& range, EditorInput& facts,
                                      LaunchValues& launch) {
  std::string input;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, command, "WAV file", input, exitCode))
    return exitCode;
  if (out.output.empty()) {
    PrintError(command + ": give the output with -o (see --help)");
    return kExitUsage;
  }
  return range.Apply(input, out.output, facts, launch);
}

int RunWaveOperation(const std::string& output, const std::vector<std::string>& inputs,
                     const OutputOptions& options, const ProgressEngine& engine,
                     const std::string& cannotCreate) {
  CliMessages messages(options.force);
  platform::MessageScope scope(messages);
  Problem problem;
  const std::optional<Overwrite> overwrite = CheckOutput(output, inputs, problem);
  if (!overwrite) {
    if (!problem.message.empty()) PrintProblem(problem);
    return kExitFailure;
  }
  InstallInterruptHandler();
  Progress progress;
  ProgressPump pump(progress, !options.quiet);
  pump.Attach();
  const WaveOutcome outcome = RunWaveEngine(
      output, *overwrite, [&](const std::string& path) { return engine(path, progress); }, cannotCreate);
  pump.Clear();
  switch (outcome.end) {
    case WaveOutcome::End::Done: return kExitOk;
    case WaveOutcome::End::Cancelled:
      PrintProblem(outcome.problem);
      return CancelledExitCode();
    case WaveOutcome::End::Incomplete:
    case WaveOutcome::End::Failed: break;
  }
  PrintProblem(outcome.problem);
  return kExitFailure;
}

}  // namespace tonemill::cli
