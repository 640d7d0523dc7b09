// What the song commands share on the command line: the working directories of the settings
// file, the drum options, and the outputs that options name.
#pragma once

#include "tonemill/files/settings.h"
#include "tonemill/midi/midtolst.h"

#include <string>
#include <vector>

namespace tonemill::cli {

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
