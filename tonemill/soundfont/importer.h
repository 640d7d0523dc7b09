// Importing a SoundFont 2 bank: its presets become PRG instruments (bank 0 preset p is p.PRG,
// bank 128 preset p is Dp.PRG, other banks fill programs that bank 0 lacks, and every program
// and kit the bank still lacks gets a copy of the instrument that stands in for it; see
// PlanImport) and its samples WAV files. Nothing is written when a PRG file exists and
// overwriting was not allowed; samples are never overwritten (see SampleDirectory).
#pragma once

#include "tonemill/files/progress.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonemill::soundfont {

class ImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ImportSettings {
  std::string bankPath;
  std::string prgDirectory;
  std::string wavDirectory;
  uint32_t rate = 44100;  // for samples whose own rate the renderer lacks: 44100 or 22050
  bool force = false;     // overwrite existing PRG files
};

struct ImportSummary {
  int programs = 0, drumKits = 0;             // PRG files written, stand-ins included
  int standInPrograms = 0, standInKits = 0;  // of those, copies for what the bank lacks
  int samplesWritten = 0, samplesReused = 0;
  uint64_t bytesWritten = 0;
  std::vector<std::string> warnings;
  bool cancelled = false;  // stopped between samples: no PRG file was written
};

// `progress` counts the samples made out of all (`item` names the one being made); its pump is
// called before each sample, so that the front end can redraw and cancel. A cancel stops before
// the next sample: the samples made so far are complete files, which a later import finds and
// reuses, and no PRG file is written, since a partial set would name samples that are missing.
// Throws SoundFontError for a malformed bank, ImportError when the import is refused, and
// std::runtime_error when a file cannot be written.
ImportSummary ImportSoundFont(const ImportSettings& settings, Progress* progress = nullptr);

}  // namespace tonemill::soundfont
