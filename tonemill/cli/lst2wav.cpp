// tonemill lst2wav SONG.lst [-o OUT.wav] [--wav-dir DIR] [--rate R] [--bits B] [--channels C]
//                  [--volume V] [--force] [--quiet]
#include "climessages.h"
#include "commands.h"
#include "makewavs.h"
#include "options.h"
#include "rendering.h"
#include "songjob.h"
#include "terminal.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/inputs.h"
#include "tonemill/ops/targets.h"

namespace tonemill::cli {

int RunLst2Wav(int argc, char** argv) {
  std::string output, wavDir;
  bool force = false, quiet = false;
  FormatOptions format;
  OptionParser parser("lst2wav", "SONG.lst [options]",
                      "Renders an LST song list into a WAV song with the WAV samples it names.");
  parser.Value("output", 'o', &output, "OUT.wav",
               "output song, or a directory for it (default: SONG.wav beside SONG.lst)");
  parser.Value("wav-dir", 0, &wavDir, "DIR", "WAV samples (default: the WAV directory)");
  format.Register(parser);
  parser.Flag("force", 0, &force, "overwrite an existing output file");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");

  ops::RenderRequest request;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "lst2wav", "LST file", request.lstPath, exitCode))
    return exitCode;
  request.listName = request.lstPath;
  if (std::string error; !format.Apply(request.format, error)) {
    PrintError("lst2wav: " + error);
    return kExitUsage;
  }
  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  request.sampleDirectory = wavDir.empty() ? settings.WAV : wavDir;
  // The song is rendered next to its list unless told otherwise.
  if (output.empty()) {
    request.wavPath = StripExtension(request.lstPath) + ".wav";
  } else if (std::string error;
             !ChooseTarget(output, output, request.lstPath, ".wav", "-o", request.wavPath, error)) {
    PrintError(error);
    return kExitFailure;
  }

  CliMessages messages(force);
  platform::MessageScope scope(messages);
  std::optional<Problem> problem =
      ops::UnreadableInput(request.lstPath, "Can't open LST file " + request.lstPath + "!");
  if (!problem) problem = OutputIsInput(request.wavPath, request.lstPath, "WAV can't overwrite LST!");
  if (!problem) problem = UnwritableTarget(request.wavPath);
  if (problem) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  const std::optional<Overwrite> overwrite = ops::AskToOverwrite(request.wavPath);
  if (!overwrite) return kExitFailure;
  request.overwrite = *overwrite;
  if (auto missing = ProvideSamples(messages, request.lstPath, request.listName, request.sampleDirectory,
                                    settings.DFT, request.wavPath)) {
    PrintProblem(*missing);
    return InterruptRequested() ? CancelledExitCode() : kExitFailure;
  }
  return RenderWithProgress(request, !quiet);
}

}  // namespace tonemill::cli
