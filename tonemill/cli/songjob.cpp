#include "songjob.h"

#include "options.h"
#include "platform/filesystem.h"
#include "tonemill/files/paths.h"
#include "tonemill/midi/midheader.h"
#include "tonemill/render/drumlist.h"

#include <filesystem>
#include <unistd.h>

namespace tonemill::cli {
namespace {

void PrintFileError(const std::string& file, const std::string& message) {
  PrintError(file + ": " + message);
}

std::string ParentDirectory(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

}  // namespace

bool LoadWorkingDirectories(Settings& settings) {
  std::string error;
  if (LoadSettings(LocateSettings(), settings, error)) return true;
  PrintError(error);
  return false;
}

bool ParseDrumOptions(const std::vector<std::string>& values, std::vector<DrumPair>& pairs,
                      std::string& error) {
  std::vector<DrumRow> rows;
  for (const std::string& value : values) {
    const size_t colon = value.find(':');
    DrumRow row{value.substr(0, colon), colon == std::string::npos ? "" : value.substr(colon + 1)};
    if (colon == std::string::npos || row.first.empty() || row.second.empty()) {
      error = "Incomplete Track:Channel specification!";
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

std::string ProposedTarget(const std::string& directory, const std::string& source,
                           const std::string& extension) {
  return WithBackslash(directory) + LowerCase(StripExtension(FileNamePart(source))) + extension;
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
  target = ProposedTarget(explicitPath.empty() ? defaultDirectory : explicitPath, source, extension);
  if (IsValidFileName(target)) return true;
  error = source + ": " + platform::NativePath(target) + " is not a valid file name; pass " +
          option + " to choose one";
  return false;
}

bool CheckSongPaths(const SongPaths& p, bool force) {
  const std::string problem = MidiProbeProblem(TMIDheader(p.mid));
  if (!problem.empty()) {
    PrintFileError(p.mid, problem);
    return false;
  }
  const bool wav = !p.wav.empty();
  const char* clash = SameFullPath(p.mid, p.lst)            ? "LST can't overwrite MID!"
                      : wav && SameFullPath(p.mid, p.wav)   ? "WAV can't overwrite MID!"
                      : wav && SameFullPath(p.lst, p.wav)   ? "WAV can't overwrite LST!"
                                                            : nullptr;
  if (clash) {
    PrintFileError(p.mid, clash);
    return false;
  }
  for (const std::string* target : {&p.lst, &p.wav}) {
    if (target->empty()) continue;
    const std::string native = platform::NativePath(*target);
    if (!force && std::filesystem::exists(native)) {
      PrintError("Existing file " + native + " will be overwritten! (not done: use --force)");
      return false;
    }
    if (::access(ParentDirectory(native).c_str(), W_OK) != 0) {
      PrintFileError(p.mid, "can't create " + native);
      return false;
    }
  }
  return true;
}

bool ConvertSong(const SongPaths& paths, const std::string& prgDirectory,
                 const std::vector<DrumPair>& drums, MidToLstResult& result) {
  result = MIDtoLST(paths.mid, paths.lst, prgDirectory, drums);
  if (!result.written) PrintFileError(paths.mid, result.message);
  return result.written;
}

}  // namespace tonemill::cli
