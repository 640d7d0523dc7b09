// tonemill wav2dft SAMPLE.wav [-o OUT.dft] [--force]
// tonemill dft2wav SAMPLE.dft [-o OUT.wav] [--force]
#include "climessages.h"
#include "commands.h"
#include "options.h"
#include "outcome.h"
#include "songoptions.h"
#include "tonemill/ops/dftconvert.h"

namespace tonemill::cli {
namespace {

int RunDftConversion(DftEntry entry, int argc, char** argv) {
  const bool toDft = entry == DftEntry::WavToDft;
  const std::string command = toDft ? "wav2dft" : "dft2wav";
  const std::string extension = toDft ? ".dft" : ".wav";
  std::string output;
  bool force = false;
  OptionParser parser(command, toDft ? "SAMPLE.wav [options]" : "SAMPLE.dft [options]",
                      toDft ? "Stores a WAV sample as a DFT file: compact and lossless."
                            : "Makes the WAV sample back from a DFT file, byte for byte as it was.");
  parser.Value("output", 'o', &output, toDft ? "OUT.dft" : "OUT.wav",
               toDft ? "output file, or a directory for it (default: the DFT directory, the "
                       "sample's lower-cased name with .dft)"
                     : "output file, or a directory for it (default: the WAV directory, the "
                       "sample's lower-cased name with .wav)");
  parser.Flag("force", 0, &force, "overwrite an existing output file");
  std::string source;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, command, toDft ? "WAV file" : "DFT file",
                                      source, exitCode))
    return exitCode;
  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  std::string target, error;
  if (!ChooseTarget(output, toDft ? settings.DFT : settings.WAV, source, extension, "-o", target,
                    error)) {
    PrintError(error);
    return kExitFailure;
  }
  // The Convert dialog's target is a full path; a bare name is one in the current directory.
  if (target.find('/') == std::string::npos) target = "./" + target;
  CliMessages messages(force);
  platform::MessageScope scope(messages);
  return ReportOutcome(ops::ConvertDftFile(entry, source, target));
}

}  // namespace

int RunWav2Dft(int argc, char** argv) { return RunDftConversion(DftEntry::WavToDft, argc, argv); }
int RunDft2Wav(int argc, char** argv) { return RunDftConversion(DftEntry::DftToWav, argc, argv); }

}  // namespace tonemill::cli
