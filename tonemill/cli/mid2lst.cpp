// tonemill mid2lst SONG.mid [-o SONG.lst] [--prg-dir DIR] [--drums TRACK:CHANNEL]... [--force]
#include "climessages.h"
#include "commands.h"
#include "options.h"
#include "songoptions.h"
#include "tonemill/ops/songpipeline.h"
#include "tonemill/ops/targets.h"

namespace tonemill::cli {

int RunMid2Lst(int argc, char** argv) {
  std::string output, prgDir;
  std::vector<std::string> drumValues;
  bool force = false;
  OptionParser parser("mid2lst", "SONG.mid [options]",
                      "Converts a Standard MIDI file into an LST song list with the PRG "
                      "instruments.");
  parser.Value("output", 'o', &output, "FILE.lst",
               "output list, or a directory for it (default: LST directory/song.lst)");
  parser.Value("prg-dir", 0, &prgDir, "DIR", "PRG instruments (default: the PRG directory)");
  parser.Values("drums", 0, &drumValues, "TRACK:CHANNEL",
                "a drum track and channel, numbers or ALL; repeatable (default ALL:10)");
  parser.Flag("force", 0, &force, "overwrite an existing list");

  std::string mid;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "mid2lst", "MIDI file", mid, exitCode))
    return exitCode;
  std::vector<DrumPair> drums;
  if (std::string error; !ParseDrumOptions(drumValues, drums, error)) {
    PrintError("mid2lst: --drums: " + error);
    return kExitUsage;
  }
  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  ops::SongPaths paths{mid, "", ""};
  if (std::string error; !ChooseTarget(output, settings.LST, mid, ".lst", "-o", paths.lst, error)) {
    PrintError(error);
    return kExitFailure;
  }

  CliMessages messages(force);
  platform::MessageScope scope(messages);
  std::optional<Problem> problem = ops::CheckMidiFile(mid);
  if (!problem) problem = ops::CheckSongPathClashes(paths);
  if (!problem) problem = UnwritableTarget(paths.lst);
  if (problem) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  const std::optional<Overwrite> overwrite = ops::AskToOverwrite(paths.lst);
  if (!overwrite) return kExitFailure;
  ops::ConvertedList converted;
  if (!problem) problem = ops::ConvertSong(mid, paths.lst, prgDir.empty() ? settings.PRG : prgDir,
                                           drums, converted);
  if (!problem) {
    Problem commitProblem;
    if (!converted.file.Commit(*overwrite, commitProblem)) problem = commitProblem;
  }
  if (problem) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace tonemill::cli
