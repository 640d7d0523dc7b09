// tonemill mid2lst SONG.mid [-o SONG.lst] [--prg-dir DIR] [--drums TRACK:CHANNEL]... [--force]
#include "climessages.h"
#include "commands.h"
#include "options.h"
#include "outcome.h"
#include "rendering.h"
#include "songoptions.h"
#include "tonemill/ops/songjob.h"

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
  if (int exitCode = 0;
      !ParseOneFile(parser, argc, argv, "mid2lst", "MIDI file", mid, exitCode) ||
      !SpoolMidiInput("mid2lst", mid, !output.empty() && !IsDirectory(output), exitCode))
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

  ops::SongJob job;
  job.paths = paths;
  job.prgDirectory = prgDir.empty() ? settings.PRG : prgDir;
  job.drums = drums;
  job.goal = ops::SongJobGoal::List;
  job.keepList = ops::ListKeeping::AfterConversion;
  CliMessages messages(force);
  platform::MessageScope scope(messages);
  CliSongFront front(messages, false);
  return ReportSongOutcome(job.Run(front), mid);
}

}  // namespace tonemill::cli
