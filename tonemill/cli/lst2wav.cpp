// tonemill lst2wav SONG.lst [-o OUT.wav] [--wav-dir DIR] [--rate R] [--bits B] [--channels C]
//                  [--volume V] [--force] [--quiet]
#include "commands.h"
#include "options.h"
#include "rendering.h"
#include "songjob.h"
#include "tonemill/files/paths.h"

#include <filesystem>

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

  SongRenderJob job;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "lst2wav", "LST file", job.lstPath, exitCode))
    return exitCode;
  std::string error;
  format.Apply(job, error);
  if (!error.empty()) {
    PrintError("lst2wav: " + error);
    return kExitUsage;
  }
  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  job.sampleDirectory = wavDir.empty() ? settings.WAV : wavDir;
  // The song is rendered next to its list unless told otherwise.
  if (output.empty()) {
    job.wavPath = StripExtension(job.lstPath) + ".wav";
  } else if (!ChooseTarget(output, output, job.lstPath, ".wav", "-o", job.wavPath, error)) {
    PrintError(error);
    return kExitFailure;
  }
  if (SameFullPath(job.lstPath, job.wavPath)) {
    PrintError("WAV can't overwrite LST!");
    return kExitFailure;
  }
  std::error_code ec;
  if (std::filesystem::exists(job.wavPath, ec) && !force) {
    PrintError("Existing file " + job.wavPath + " will be overwritten! (not done: use --force)");
    return kExitFailure;
  }
  if (!SamplesPresent(job.lstPath, job, settings.DFT)) return kExitFailure;
  return RenderSongWithProgress(job, !quiet);
}

}  // namespace tonemill::cli
