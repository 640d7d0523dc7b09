// tonemill mid2lst SONG.mid [-o SONG.lst] [--prg-dir DIR] [--drums TRACK:CHANNEL]... [--force]
#include "commands.h"
#include "options.h"
#include "songjob.h"

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

  std::vector<std::string> files;
  if (std::optional<int> exit = parser.ParseOrExit(argc, argv, files)) return *exit;
  std::string error;
  if (files.size() != 1) {
    PrintError("mid2lst: give exactly one MIDI file (see --help)");
    return kExitUsage;
  }
  std::vector<DrumPair> drums;
  if (!ParseDrumOptions(drumValues, drums, error)) {
    PrintError("mid2lst: --drums: " + error);
    return kExitUsage;
  }
  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  SongPaths paths{files[0], "", ""};
  if (!ChooseTarget(output, settings.LST, paths.mid, ".lst", "-o", paths.lst, error)) {
    PrintError(error);
    return kExitFailure;
  }
  if (!CheckSongPaths(paths, force)) return kExitFailure;
  MidToLstResult result;
  if (!ConvertSong(paths, prgDir.empty() ? settings.PRG : prgDir, drums, result))
    return kExitFailure;
  return kExitOk;
}

}  // namespace tonemill::cli
