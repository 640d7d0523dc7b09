#include "prgwriter.h"

#include "tonemill/files/notes.h"

#include <cstdio>

namespace tonemill::soundfont {
namespace {

std::string Real(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", v);
  std::string s = text;
  if (s == "-0.00") s = "0.00";
  return s;
}

}  // namespace

std::string KeyRangeText(int low, int high) {
  return low == high ? KeyName(low) : KeyName(low) + "-" + KeyName(high);
}

std::string FormatPrgLine(const PrgLine& l) {
  std::string out;
  auto field = [&](const std::string& text) { out.append(text).push_back(' '); };
  auto integer = [&](int64_t v) { field(std::to_string(v)); };
  field(KeyRangeText(l.keyLow, l.keyHigh));
  field(l.wavName);
  field(KeyName(l.baseKey));
  for (int64_t v : {int64_t(l.baseVolume), int64_t(l.basePan), int64_t(l.velocitySensitivity),
                    int64_t(l.pressureSensitivity), int64_t(l.expressionSensitivity),
                    int64_t(l.releaseSensitivity), int64_t(l.bendRange),
                    int64_t(l.modulationSensitivity), int64_t(l.modulationRate)})
    integer(v);
  for (double v : {l.attackFactor, l.decayFactor, l.sustainSlope, l.releaseSlope}) field(Real(v));
  for (int64_t v : {int64_t(l.attackLength), int64_t(l.decayLength), int64_t(l.startSample),
                    int64_t(l.endSample), int64_t(l.loopStart), int64_t(l.loopEnd),
                    int64_t(l.bits), int64_t(l.channels), int64_t(l.rate)})
    integer(v);
  out += "\r\n";
  return out;
}

std::string FormatPrgFile(const std::vector<std::string>& comments, const std::vector<PrgLine>& lines) {
  std::string out;
  for (const auto& c : comments) out += "# " + c + "\r\n";
  for (const auto& l : lines) out += FormatPrgLine(l);
  return out;
}

}  // namespace tonemill::soundfont
