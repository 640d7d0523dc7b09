// The WAV files of an import: 16-bit PCM with the canonical 44-byte header, named with at most
// eight letters and digits derived from the bank's sample names, unique in the WAV directory
// ignoring case (the renderer finds samples that way). A file of the chosen name that already
// holds the same bytes is used as it is; one that holds anything else is never overwritten:
// the sample takes another name.
#pragma once

#include "sampleaudio.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tonemill::soundfont {

// Upper-case letters and digits only, at most 8: vowels inside words go first, and a short
// last word with a digit (a note name such as "C#4" or "A51") is kept at the end.
std::string ShortSampleName(const std::string& bankName);

std::vector<uint8_t> WavFileBytes(const SampleAudio& audio);

// WriteFileAtomically (files/fileops.h) that throws std::runtime_error when the file cannot be
// written; false when, without `replace`, the file existed.
bool WriteFileOrThrow(const std::string& path, const std::vector<uint8_t>& bytes, bool replace = true);

class SampleDirectory {
 public:
  explicit SampleDirectory(std::string directory);

  struct Placed {
    std::string name;  // without ".WAV"
    bool written = false;  // false: an identical file was there already
  };
  // Chooses a name from `preferred` and writes the file unless an identical one exists.
  Placed Place(const std::string& preferred, const std::vector<uint8_t>& bytes);

 private:
  bool Taken(const std::string& name, const std::vector<uint8_t>& bytes, bool& identical) const;
  std::string directory_;
  std::set<std::string> used_;  // names chosen in this import
};

}  // namespace tonemill::soundfont
