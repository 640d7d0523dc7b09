// What the song commands share on the command line: the working directories of the settings
// file, the drum options, and the outputs that options name.
#pragma once

#include "tonemill/files/settings.h"
#include "tonemill/midi/midtolst.h"
#include "tonemill/ops/outputjob.h"
#include "tonemill/wave/loudness.h"

#include <string>
#include <vector>

namespace tonemill::cli {

class OptionParser;

// --loudness LUFS and --true-peak dBTP: the one gain that brings the output to a loudness.
struct LoudnessOptions {
  std::string loudness, truePeak;

  void Register(OptionParser& parser);
  // Nothing without --loudness; false with `error` set on a bad value or a --true-peak alone.
  bool Apply(std::optional<LoudnessTarget>& target, std::string& error) const;
};

// The output job's warning about its gain, on stderr as "warning: NAME: ...".
void WarnAboutGain(const ops::JobOutcome& outcome, const std::string& name);

// Reads TM.INI (making it on the first run); prints the error and returns false when it fails.
// A directory the file lacks keeps the system's default, with one warning naming it.
bool LoadWorkingDirectories(Settings& settings);

// "TRACK:CHANNEL" values, numbers or ALL (any case, blanks ignored); none given means ALL:10.
// Rows equal in both cells are given once. False with the dialog's message in `error`.
bool ParseDrumOptions(const std::vector<std::string>& values, std::vector<DrumPair>& pairs,
                      std::string& error);

bool IsDirectory(const std::string& path);

// An explicit output is the user's choice, or a directory to put the proposed name in. A
// derived name must be a valid file name; otherwise `error` says why and to pass `option`.
bool ChooseTarget(const std::string& explicitPath, const std::string& defaultDirectory,
                  const std::string& source, const std::string& extension,
                  const std::string& option, std::string& target, std::string& error);

}  // namespace tonemill::cli
