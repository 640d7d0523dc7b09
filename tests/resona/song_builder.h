// Builds song-list text for tests.
#pragma once

#include <cstdint>
#include <random>
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

// A song list of `instruments` blocks over `durationMs`, each instrument's notes spread over
// the whole song and some past its end, loud enough to saturate where several meet, with
// controllers, bends and vibrato on some strikes. The instruments play the samples "S" (one
// shot) and "L" (looped), which the caller writes.
inline std::string GeneratedSong(uint64_t seed, int durationMs, int instruments, int strikes) {
  std::mt19937_64 rng(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::string blocks;
  for (int i = 0; i < instruments; ++i) {
    Inst inst;
    const bool looped = i % 2 == 1;
    inst.name = looped ? "L" : "S";
    inst.volume = pick(8, 64);
    inst.pan = pick(0, 127);
    inst.modSens = 50;
    inst.modRate = pick(0, 8);
    inst.attackMs = pick(0, 30);
    inst.decayMs = pick(0, 200);
    inst.attackFactor = "1.20";
    inst.decayFactor = "0.70";
    inst.sustainSlope = looped ? "-0.20" : "0.00";
    inst.releaseSlope = looped ? "-3.00" : "-0.50";
    if (looped) {
      inst.end = 3999;
      inst.loopStart = 1000;
      inst.loopEnd = 2999;
    }
    std::vector<std::pair<int, std::vector<std::string>>> notes;
    for (int n = 0; n < strikes; ++n) {
      std::vector<std::string> events;
      int t = pick(0, durationMs + 200);
      const int repeats = pick(1, 3);
      for (int k = 0; k < repeats; ++k) {
        events.push_back(std::to_string(t) + " ON " + std::to_string(pick(60, 127)));
        const int off = t + pick(4, 400);
        if (pick(0, 3) == 0) events.push_back(std::to_string(t + 1) + " BND " + std::to_string(pick(-8192, 8191)));
        if (pick(0, 3) == 0) events.push_back(std::to_string(t + 2) + " MOD " + std::to_string(pick(0, 127)));
        if (pick(0, 2) == 0) events.push_back(std::to_string(t + 3) + " VOL " + std::to_string(pick(0, 127)));
        events.push_back(std::to_string(off) + " OFF " + std::to_string(pick(0, 127)));
        t = off + pick(0, 50);
      }
      notes.push_back({pick(36, 84), events});
    }
    blocks += Block(inst, notes);
  }
  return Song(durationMs, blocks);
}

}  // namespace testing_support
