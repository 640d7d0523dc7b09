#include "conversion.h"

#include "songchecks.h"
#include "targets.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/paths.h"

namespace tonemill::ops {
namespace {

constexpr double kVolumeStep = 0.1;
constexpr double kSpinCeiling = 9.99;

}  // namespace

const char* const kConvertExtensionMessage = "The extension must be MID, LST, DFT or WAV!";

std::string ProposedConversionTarget(Conversion conversion, const std::string& source,
                                     const ConversionDirectories& d) {
  switch (conversion) {
    case Conversion::MidToLst: return ProposedTarget(d.lst, source, ".lst");
    case Conversion::LstToWav:
    case Conversion::MidToWav: return ProposedTarget(d.song, source, ".wav");
    case Conversion::Mid1To0: return ShortProposedTarget(d.mid, source);
    case Conversion::WavToDft: return ProposedTarget(d.dft, source, ".dft");
    case Conversion::DftToWav: return ProposedTarget(d.wav, source, ".wav");
  }
  return "";
}

bool RendersSong(Conversion conversion) {
  return conversion == Conversion::LstToWav || conversion == Conversion::MidToWav;
}

std::optional<Conversion> ConversionForFile(const std::string& file) {
  const std::string name = FileNamePart(file);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  const std::string extension = LowerCase(name.substr(dot));
  if (extension == ".mid") return Conversion::MidToWav;
  if (extension == ".lst") return Conversion::LstToWav;
  if (extension == ".dft") return Conversion::DftToWav;
  if (extension == ".wav") return Conversion::WavToDft;
  return std::nullopt;
}

std::string SongListForTarget(const std::string& lstDirectory, const std::string& wavTarget) {
  return ProposedTarget(lstDirectory, wavTarget, ".lst");
}

std::string VolumeText(double value) { return FormatFixed(value, 1); }

std::optional<std::string> SteppedVolume(const std::string& text, bool up) {
  if (!ParseVolume(text)) return std::nullopt;
  const std::optional<double> value = ParseReal(text);
  // The step is taken on the value shown, and the result shown again with one decimal, so
  // that binary fractions do not pile up over many clicks.
  const double stepped = *value + (up ? kVolumeStep : -kVolumeStep);
  if (up ? stepped > kSpinCeiling : stepped < 0) return std::nullopt;
  return VolumeText(stepped);
}

std::string MakeWavsListPath(const std::string& tempDirectory) {
  return WithBackslash(tempDirectory) + "Temp.LST";
}

SongFormat MakeWavsFormat() {
  SongFormat format;
  format.rate = 22050;
  format.bits = 16;
  format.channels = 2;
  format.volume = Real48::FromDouble(1.0);
  return format;
}

}  // namespace tonemill::ops
