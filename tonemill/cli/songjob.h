// What the mid2lst and render commands share: the working directories of the settings file,
// the drum pairs, the names the Convert dialog proposes, the checks before anything is written
// and the conversion itself.
#pragma once

#include "tonemill/app/settings.h"
#include "tonemill/midi/midtolst.h"

#include <string>
#include <vector>

namespace tonemill::cli {

// Reads TM.INI (making it on the first run); prints the error and returns false when it fails.
bool LoadWorkingDirectories(Settings& settings);

// "TRACK:CHANNEL" values, numbers or ALL (any case, blanks ignored); none given means ALL:10.
// Rows equal in both cells are given once. False with the dialog's message in `error`.
bool ParseDrumOptions(const std::vector<std::string>& values, std::vector<DrumPair>& pairs,
                      std::string& error);

// The proposed target: the directory, the source's lower-cased name without extension, and the
// extension (".lst", ".wav").
std::string ProposedTarget(const std::string& directory, const std::string& source,
                           const std::string& extension);

bool IsDirectory(const std::string& path);

// An explicit output is the user's choice, or a directory to put the proposed name in; a
// derived one must be a valid file name, or the message says to pass `option`.
bool ChooseTarget(const std::string& explicitPath, const std::string& defaultDirectory,
                  const std::string& source, const std::string& extension,
                  const std::string& option, std::string& target, std::string& error);

struct SongPaths {
  std::string mid, lst, wav;  // wav is empty when the command stops at the song list
};

// The render dialog's checks before any work: the MIDI header probe, then the three path
// comparisons, then the overwrite questions (answered by --force). The first problem is
// printed with its file; returns false then.
bool CheckSongPaths(const SongPaths& paths, bool force);

// Converts the MIDI file; prints the converter's message with the file when it fails.
bool ConvertSong(const SongPaths& paths, const std::string& prgDirectory,
                 const std::vector<DrumPair>& drums, MidToLstResult& result);

}  // namespace tonemill::cli
