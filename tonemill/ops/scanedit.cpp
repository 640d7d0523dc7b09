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
  if (ext == ".wav") return ScanWay::Wav;
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

std::string WavEditorOutput(const std::string& input) {
  const std::filesystem::path directory = std::filesystem::path(input).parent_path();
  const std::string temp = (directory / "temp.wav").string();
  // The input is that temp.wav under any name (a link, another spelling of the path).
  const bool inputIsTemp = SameFile(temp, input);
  return inputIsTemp ? (directory / "newtemp.wav").string() : temp;
}

}  // namespace tonemill::ops
