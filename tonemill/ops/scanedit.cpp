#include "scanedit.h"

#include "platform/messages.h"
#include "tonemill/files/paths.h"
#include "targets.h"

#include <filesystem>

namespace tonemill::ops {
namespace {

std::string Extension(const std::string& file) {
  return LowerCase(std::filesystem::path(file).extension().string());
}

}  // namespace

std::optional<ScanWay> ScanWayFor(const std::string& file) {
  const std::string ext = Extension(file);
  // The other audio containers are scanned as the WAV files they decode to.
  for (const char* audio : {".wav", ".flac", ".ogg", ".opus", ".mp3", ".aif", ".aiff"})
    if (ext == audio) return ScanWay::Wav;
  if (ext == ".mid") return ScanWay::Midi;
  return std::nullopt;
}

std::string MidScanReport(const std::string& tempDirectory) {
  return WithBackslash(tempDirectory) + "MIDscan.TXT";
}

std::optional<Problem> CheckReportName(const std::string& report) {
  if (IsValidFileName(report)) return std::nullopt;
  return Problem("Illegal report filename: " + report, report);
}

std::optional<Overwrite> AskToOverwriteReport(const std::string& report) {
  if (KindOf(report) == TargetKind::Absent) return Overwrite::Refuse;
  if (platform::Show({platform::MessageKind::Warning, platform::Buttons::OkCancel,
                      platform::Topic::Overwrite,
                      "Report file " + report + " will be overwritten!"}) != platform::Answer::Ok)
    return std::nullopt;
  return Overwrite::Replace;
}

EditWay EditWayFor(const std::string& file) {
  const std::string ext = Extension(file);
  if (ext == ".prg") return EditWay::Prg;
  if (ext == ".mid") return EditWay::Mid;
  if (ext == ".wav") return EditWay::Wav;
  return EditWay::Text;
}

namespace {

// "temp.EXT" beside the input, or "newtemp.EXT" when the input is that file under any name (a
// link, another spelling of the path).
std::string TempBeside(const std::string& input, const std::string& extension) {
  const std::filesystem::path directory = std::filesystem::path(input).parent_path();
  const std::string temp = (directory / ("temp." + extension)).string();
  return SameFile(temp, input) ? (directory / ("newtemp." + extension)).string() : temp;
}

}  // namespace

std::string WavEditorOutput(const std::string& input) { return TempBeside(input, "wav"); }

std::string TrackEditorOutput(const std::string& source) { return TempBeside(source, "mid"); }

}  // namespace tonemill::ops
