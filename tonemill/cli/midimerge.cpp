// tonemill mid1to0 IN.mid [-o OUT.mid] [--force]
#include "climessages.h"
#include "outcome.h"
#include "commands.h"
#include "options.h"
#include "songoptions.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/ops/songchecks.h"
#include "tonemill/ops/targets.h"

namespace tonemill::cli {

int RunMid1To0(int argc, char** argv) {
  std::string output;
  bool force = false;
  OptionParser parser("mid1to0", "IN.mid [options]",
                      "Merges the tracks of a format 1 MIDI file into a format 0 file.");
  parser.Value("output", 'o', &output, "OUT.mid",
               "output file, or a directory for it (default: MID directory/name0.mid, the name "
               "cut to seven characters)");
  parser.Flag("force", 0, &force, "overwrite an existing file");
  std::string source;
  if (int exitCode = 0;
      !ParseOneFile(parser, argc, argv, "mid1to0", "MIDI file", source, exitCode) ||
      !SpoolMidiInput("mid1to0", source, !output.empty() && !IsDirectory(output), exitCode))
    return exitCode;

  std::string target = output;
  if (output.empty() || IsDirectory(output)) {
    Settings settings;
    if (output.empty() && !LoadWorkingDirectories(settings)) return kExitFailure;
    target = ops::ShortProposedTarget(output.empty() ? settings.MID : output, source);
  }
  CliMessages messages(force);
  platform::MessageScope scope(messages);
  std::optional<Problem> problem = ops::CheckConvertSource(source);
  if (!problem) problem = ops::CheckUtilityTarget(source, target);
  if (problem) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  const std::optional<Overwrite> overwrite = ops::AskToOverwrite(target);
  if (!overwrite) return kExitFailure;
  return ReportOutcome(ops::MergeToFormat0(source, target, *overwrite));
}

}  // namespace tonemill::cli
