// The settings file "TM.INI": the seven working directories and the three external programs.
// It lives in the program directory when that is writable (portable use), otherwise in the
// per-user configuration directory with the working directories under the per-user data
// directory. TONEMILL_HOME, when set, names one directory for both.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonemill {

struct SettingsLocation {
  std::string iniPath;
  std::string programDirectory;  // with a trailing separator: where the programs' defaults lie
  std::string dataDirectory;     // with a trailing separator: where the default directories lie
};

SettingsLocation LocateSettings();

struct Settings {
  std::string MID, LST, Song, PRG, WAV, Temp, DFT;
  std::string textEditor, Vespera, Lyrovox;
};

Settings DefaultSettings(const SettingsLocation& location);

// Reads "TM.INI"; a missing directory key reads as the bare key name ("MID", a path relative to
// the current directory), a missing program key as its default. Without the file a fresh one is
// written (Temp before WAV, CR LF line ends) and the seven default directories that do not exist
// are created; when several processes start at once, one writes it and the others read it.
// Returns false with `error` set when the file can neither be read nor created. The keys of
// directories that the file lacks are listed in `missingDirectories` when it is given.
bool LoadSettings(const SettingsLocation& location, Settings& settings, std::string& error,
                  std::vector<std::string>* missingDirectories = nullptr);

// Writes the ten keys back into the file, each in its section, keeping its other lines. The
// file is read again and replaced under its lock, so that writers never lose each other's lines.
bool SaveSettings(const SettingsLocation& location, const Settings& settings);
// The same for only the keys whose value differs from `loaded` (the settings as this writer read
// them), and those the file lacks: what other writers changed meanwhile in the other keys is kept.
bool SaveSettings(const SettingsLocation& location, const Settings& loaded, const Settings& settings);

// A settings file kept beside its default directories (a portable program folder, or
// TONEMILL_HOME) whose seven directories all lie under one other folder, each with its default
// name there (OLD/MID, OLD/LST, ...): the folder was copied or moved, and the file still names
// the original's directories. Returns OLD (with a trailing separator), otherwise nothing.
std::optional<std::string> MovedFolderOf(const SettingsLocation& location, const Settings& settings);
// What the user reads about it: the folder the directories lie in and the one they could.
std::string MovedFolderMessage(const std::string& oldFolder, const SettingsLocation& location);

// The seven directories moved to their defaults in the settings' own folder, which are created.
void UseLocalDirectories(const SettingsLocation& location, Settings& settings);

// Keys of sections that the ten above do not use (where the desktop's windows were): the values
// the file holds for `keys` of `section`; a key the file lacks is left out.
std::map<std::string, std::string> ReadSettingsKeys(const SettingsLocation& location, const std::string& section,
                                                    const std::vector<std::string>& keys);
// Writes `values` into `section` the same way as SaveSettings: under the file's lock, the file read
// again and only these keys replaced.
bool SaveSettingsKeys(const SettingsLocation& location, const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace tonemill
