#include "lstwriter.h"

#include "tonemill/files/numbers.h"

#include <cstdio>

namespace tonemill {
namespace {

void Line(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

void Field(std::string& out, const std::string& text) {
  out += text;
  out += ' ';
}

}  // namespace

std::string InstrumentLine(const PrgLine& e) {
  std::string line;
  Field(line, e.wavName);
  for (int v : {int(e.baseKey), int(e.baseVolume), int(e.basePan), int(e.velocitySensitivity),
                int(e.pressureSensitivity), int(e.expressionSensitivity),
                int(e.releaseSensitivity), int(e.bendRange), int(e.modulationSensitivity),
                int(e.modulationRate)})
    Field(line, std::to_string(v));
  for (double v : {e.attackFactor, e.decayFactor, e.sustainSlope, e.releaseSlope})
    Field(line, FormatFixed(v, 2));
  for (int32_t v : {e.attackLength, e.decayLength, e.startSample, e.endSample, e.loopStart,
                    e.loopEnd})
    Field(line, std::to_string(v));
  return line;
}

std::string LstText(int32_t songLength, const InstrumentList& instruments) {
  std::string out;
  Line(out, std::to_string(songLength));
  char event[48];
  for (const auto& record : instruments) {
    Line(out, "{");
    Line(out, InstrumentLine(record->entry));
    for (const auto& [key, groups] : record->keys) {
      Line(out, "[");
      Line(out, std::to_string(key));
      for (const NoteGroup& group : groups)
        for (const SongEvent& e : group.events) {
          int n = std::snprintf(event, sizeof event, "%d %s%d\r\n", int(e.time), EventTag(e.kind),
                                int(e.value));
          out.append(event, size_t(n));
        }
      Line(out, "]");
    }
    Line(out, "}");
  }
  return out;
}

}  // namespace tonemill
