// Builds song-list text for tests.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct Inst {
  std::string name = "S";
  int base = 60, volume = 64, pan = 64, velocitySens = 64, pressureSens = 0, expressionSens = 0,
      releaseSens = 0, bendRange = 2, modSens = 0, modRate = 0;
  std::string attackFactor = "1.00", decayFactor = "1.00", sustainSlope = "0.00",
              releaseSlope = "-1.00";
  int attackMs = 0, decayMs = 0, start = 0, end = 999, loopStart = -1, loopEnd = -1;

  std::string Line() const {
    std::string s = name;
    for (int v : {base, volume, pan, velocitySens, pressureSens, expressionSens, releaseSens,
                  bendRange, modSens, modRate})
      s.append(" ").append(std::to_string(v));
    for (const auto& r : {attackFactor, decayFactor, sustainSlope, releaseSlope})
      s.append(" ").append(r);
    for (int v : {attackMs, decayMs, start, end, loopStart, loopEnd})
      s.append(" ").append(std::to_string(v));
    return s.append(" ");
  }
};

// "{", the instrument line, one note block per (note, events) pair, "}" — CR LF line ends.
inline std::string Block(const Inst& inst,
                         const std::vector<std::pair<int, std::vector<std::string>>>& notes) {
  std::string s = "{\r\n" + inst.Line() + "\r\n";
  for (const auto& [note, events] : notes) {
    s += "[\r\n" + std::to_string(note) + "\r\n";
    for (const auto& e : events) s += e + "\r\n";
    s += "]\r\n";
  }
  return s + "}\r\n";
}

inline std::string Song(int durationMs, const std::string& blocks) {
  return std::to_string(durationMs) + "\r\n" + blocks;
}

}  // namespace testing_support
