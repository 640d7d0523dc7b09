// What an import writes, decided from the bank alone: which preset becomes which PRG file,
// which layers each key plays, the PRG parameters of every layer, and the sample files the
// layers need.
#pragma once

#include "envelope.h"
#include "sf2file.h"

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

namespace tonemill::soundfont {

// The frames of the bank that make one WAV file, and how to convert them.
struct SampleSource {
  int left = 0;    // the mono sample, or the left half of a stereo pair
  int right = -1;  // the right half, or -1
  uint32_t first = 0, length = 0;  // window, relative to each sample's own start
  bool looped = false;
  uint32_t loopFirst = 0, loopLength = 0;  // relative to `first`
  uint32_t sourceRate = 0;
  uint32_t outRate = 0;  // the source rate when the renderer takes it, else the chosen rate
  int32_t cents = 0;     // tuning to fold into the samples, -50..50
  auto operator<=>(const SampleSource&) const = default;
};

// The PRG fields of one layer, apart from its key range and what the sample file gives.
struct LayerVoice {
  int source = 0;  // index into ImportPlan::sources
  int baseKey = 60, baseVolume = 100, basePan = 64;
  int velocitySensitivity = 0, pressureSensitivity = 0, expressionSensitivity = 0,
      releaseSensitivity = 0, bendRange = 2, modulationSensitivity = 0, modulationRate = 0;
  LinearEnvelope envelope;
  bool muted = false;  // plays no frame of its sample: a key the bank leaves silent
  bool operator==(const LayerVoice& o) const;
};

struct PlannedLine {
  int keyLow = 0, keyHigh = 0;
  LayerVoice voice;
};

struct PlannedFile {
  std::string fileName;  // "5.PRG", "D0.PRG"
  bool drums = false;
  int fileProgram = 0;  // the program the file is named for
  std::string presetName;
  int bank = 0, program = 0;  // the preset's
  // Empty for a preset's own file. A program or kit the bank lacks gets a copy of another
  // preset's file (the same lines, so the same samples); this sentence says which and why.
  std::string standIn;
  std::vector<PlannedLine> lines;
  // The keys the bank leaves empty, so that every note of a song finds an entry: a melodic key
  // plays the nearest key's layers where they reach it within seven octaves of their base key,
  // otherwise (and on drum kits) a muted layer.
  std::vector<PlannedLine> fillLines;
};

struct ImportPlan {
  std::vector<PlannedFile> files;
  std::vector<SampleSource> sources;
  std::vector<std::string> warnings;
};

// The design constants of the mapping.
constexpr int kForteVelocity = 96;  // the velocity whose zones a key plays
constexpr int kMaxLayers = 6;       // what a PRG key holds
constexpr int kMinLoopFrames = 1024;

// `targetRate` (44100 or 22050) is the rate of samples whose own rate the renderer lacks.
// The plan has a file for every program 0-127 and every kit 0-127 as soon as the bank has one
// melodic preset and one kit: a song may select any of them. Bank 0 comes first, other melodic
// banks fill the programs it lacks, and a program no bank has plays the nearest program of its
// General MIDI family (the lower one on a tie), else program 0, else the lowest program there
// is. A kit the bank lacks plays kit 0, as General MIDI players fall back to the standard kit,
// else the lowest kit there is.
ImportPlan PlanImport(const Bank& bank, uint32_t targetRate);

// Whether the renderer takes samples of this rate as they are.
bool IsRendererRate(uint32_t rate);

}  // namespace tonemill::soundfont
