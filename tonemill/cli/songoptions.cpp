#include "songoptions.h"

#include "options.h"
#include "platform/filesystem.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/targets.h"
#include "tonemill/render/drumlist.h"

#include <filesystem>

namespace tonemill::cli {

bool LoadWorkingDirectories(Settings& settings) {
  std::string error;
  std::vector<std::string> missing;
  const SettingsLocation location = LocateSettings();
  if (!LoadSettings(location, settings, error, &missing)) {
    PrintError(error);
    return false;
  }
  for (const std::string& key : missing)
    PrintError("warning: " + location.iniPath + " has no " + key + "= entry in [Directories]; " +
               "using the directory " + key + " in the current directory");
  if (const std::optional<std::string> old = MovedFolderOf(location, settings))
    PrintError("warning: " + MovedFolderMessage(*old, location) + "; to use the directories there, " +
               "set [Directories] in the file to them (the desktop program offers it at its start)");
  return true;
}

bool ParseDrumOptions(const std::vector<std::string>& values, std::vector<DrumPair>& pairs,
                      std::string& error) {
  std::vector<DrumRow> rows;
  for (const std::string& value : values) {
    const size_t colon = value.find(':');
    DrumRow row{value.substr(0, colon), colon == std::string::npos ? "" : value.substr(colon + 1)};
    if (colon == std::string::npos || row.first.empty() || row.second.empty()) {
      error = kIncompleteDrumListMessage;
      return false;
    }
    error = CheckDrumCell(row.first, true);
    if (error.empty()) error = CheckDrumCell(row.second, false);
    if (!error.empty()) return false;
    rows.push_back(row);
  }
  if (rows.empty()) rows.push_back({"ALL", "10"});
  RemoveRepeatedDrumRows(rows);
  pairs = DrumPairsFromRows(rows);
  return true;
}

void LoudnessOptions::Register(OptionParser& parser) {
  parser.Value("loudness", 0, &loudness, "LUFS",
               "bring the output to this integrated loudness (EBU R128) with one gain, "
               "for example -14 or -23");
  parser.Value("true-peak", 0, &truePeak, "DBTP",
               "the true peak the gain may not exceed (default -1)");
}

bool LoudnessOptions::Apply(std::optional<LoudnessTarget>& target, std::string& error) const {
  target.reset();
  if (loudness.empty()) {
    if (!truePeak.empty()) error = "--true-peak goes with --loudness";
    return truePeak.empty();
  }
  const std::optional<double> lufs = ParseReal(loudness);
  if (!lufs || !(*lufs >= -70 && *lufs <= 0)) {
    error = "--loudness takes LUFS from -70 to 0";
    return false;
  }
  LoudnessTarget chosen{*lufs, -1};
  if (!truePeak.empty()) {
    const std::optional<double> ceiling = ParseReal(truePeak);
    if (!ceiling || !(*ceiling >= -30 && *ceiling <= 0)) {
      error = "--true-peak takes dBTP from -30 to 0";
      return false;
    }
    chosen.ceiling = *ceiling;
  }
  target = chosen;
  return true;
}

void WarnAboutGain(const ops::JobOutcome& outcome, const std::string& name) {
  if (outcome.gainWarning.empty()) return;
  PrintError("warning: " + name + ": " + outcome.gainWarning);
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(platform::NativePath(path), ec);
}

bool ChooseTarget(const std::string& explicitPath, const std::string& defaultDirectory,
                  const std::string& source, const std::string& extension,
                  const std::string& option, std::string& target, std::string& error) {
  if (!explicitPath.empty() && !IsDirectory(explicitPath)) {
    target = explicitPath;
    return true;
  }
  target = ops::ProposedTarget(explicitPath.empty() ? defaultDirectory : explicitPath, source,
                               extension);
  if (IsValidFileName(target)) return true;
  error = source + ": " + platform::NativePath(target) + " is not a valid file name; pass " +
          option + " to choose one";
  return false;
}

}  // namespace tonemill::cli
