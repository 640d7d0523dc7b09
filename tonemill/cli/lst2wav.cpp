// tonemill lst2wav SONG.lst [-o OUT.wav] [--wav-dir DIR] [--rate R] [--bits B] [--channels C]
//                  [--volume V] [--threads N] [--memory MIB] [--force] [--quiet]
#include "climessages.h"
#include "commands.h"
#include "makewavs.h"
#include "options.h"
#include "outcome.h"
#include "rendering.h"
#include "renderthreads.h"
#include "songoptions.h"
#include "terminal.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/songjob.h"

namespace tonemill::cli {

int RunLst2Wav(int argc, char** argv) {
  std::string output, wavDir;
  bool force = false, quiet = false;
  FormatOptions format;
  OptionParser parser("lst2wav", "SONG.lst [options]",
                      "Renders an LST song list into a WAV song with the WAV samples it names.");
  parser.Value("output", 'o', &output, "OUT.wav",
               "output song (.wav .flac .ogg .opus .mp3 .aif .aiff; - for standard output), or a "
               "directory for it (default: SONG.wav beside SONG.lst)");
  parser.StandardOutput("output");
  parser.Value("wav-dir", 0, &wavDir, "DIR", "WAV samples (default: the WAV directory)");
  format.Register(parser);
  parser.Flag("force", 0, &force, "overwrite an existing output file");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");
  MixOptions mix;
  mix.Register(parser);
  LoudnessOptions loudness;
  loudness.Register(parser);

  ops::SongJob song;
  song.fromList = true;
  std::string& lst = song.paths.lst;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "lst2wav", "LST file", lst, exitCode))
    return exitCode;
  if (std::string error; !format.Apply(song.format, error) || !mix.Check(error) ||
                         !ParseQuality(format.quality, song.quality, error) ||
                         !loudness.Apply(song.loudness, error)) {
    PrintError("lst2wav: " + error);
    return kExitUsage;
  }
  int jobs = 1;
  mix.Apply(1, false, jobs);
  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  song.wavDirectory = wavDir.empty() ? settings.WAV : wavDir;
  song.dftDirectory = settings.DFT;
  NameMissingWavDirectory(song.wavDirectory);
  // The song is rendered next to its list unless told otherwise.
  if (output.empty()) {
    song.paths.wav = StripExtension(lst) + format.Extension();
  } else if (std::string error;
             !ChooseTarget(output, output, lst, format.Extension(), "-o", song.paths.wav, error)) {
    PrintError(error);
    return kExitFailure;
  }
  // An output that is the list itself gets the song job's own refusal.
  if (std::string error; !SameFile(song.paths.wav, lst) &&
                         !format.ChooseContainer(song.paths.wav, song.container, error)) {
    PrintError("lst2wav: " + error);
    return kExitUsage;
  }

  song.resample = format.resample;
  SayResampling(song.resample, song.container, song.format.rate, song.paths.wav);
  CliMessages messages(force);
  platform::MessageScope scope(messages);
  CliSongFront front(messages, !quiet);
  const ops::SongJobOutcome outcome = song.Run(front);
  WarnAboutGain(outcome.render, song.paths.wav);
  return ReportSongOutcome(outcome, "");
}

}  // namespace tonemill::cli
