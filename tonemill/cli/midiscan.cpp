// tonemill midscan IN.mid [-o REPORT.txt|-] [--json] [--force]
#include "climessages.h"
#include "outcome.h"
#include "commands.h"
#include "options.h"
#include "songoptions.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/ops/targets.h"

#include <cstdio>

namespace tonemill::cli {

int RunMidScan(int argc, char** argv) {
  std::string output;
  bool json = false, force = false;
  OptionParser parser("midscan", "IN.mid [options]",
                      "Lists which notes, programs, controllers and other messages each track "
                      "and channel of a MIDI file uses.");
  parser.Value("output", 'o', &output, "REPORT",
               "the report, '-' for standard output (default: Temp directory/MIDscan.TXT, "
               "replaced on every scan; with --json, standard output)");
  parser.StandardOutput("output");
  parser.Flag("json", 0, &json, "the same facts as JSON");
  parser.Flag("force", 0, &force, "overwrite an existing report named with -o");
  std::string source;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "midscan", "MIDI file", source, exitCode) ||
                         !SpoolMidiInput("midscan", source, true, exitCode))
    return exitCode;
  const std::string shown = ShownInputName(source);
  const ops::ListingForm form = json ? ops::ListingForm::Json : ops::ListingForm::Text;

  std::optional<Problem> problem;
  if (output == "-" || (output.empty() && json)) {
    problem = ops::ListMidi(source, shown, form, [](const std::string& text) {
      return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    });
    if (std::fflush(stdout) != 0 && !problem) problem = Problem("Can not open destination file.");
  } else {
    std::string report = output;
    std::optional<Overwrite> overwrite = Overwrite::Replace;  // the scratch report
    CliMessages messages(force);
    platform::MessageScope scope(messages);
    if (report.empty()) {
      Settings settings;
      if (!LoadWorkingDirectories(settings)) return kExitFailure;
      report = WithBackslash(settings.Temp) + "MIDscan.TXT";
    } else if (IsDirectory(report)) {
      report = WithBackslash(report) + "MIDscan.TXT";
      overwrite = ops::AskToOverwrite(report);
    } else {
      overwrite = ops::AskToOverwrite(report);
    }
    if (!overwrite) return kExitFailure;
    return ReportOutcome(ops::ListMidiToFile(source, report, form, *overwrite, shown));
  }
  if (problem) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace tonemill::cli
