// The provisioning check: which samples an LST song list names, and whether each is there as a
// valid WAV file, can be made from a DFT file, or is missing.
#pragma once

#include "tonemill/files/problem.h"

#include <optional>
#include <string>
#include <vector>

namespace tonemill {

struct SampleState {
  enum class Source { Wav, Dft, Missing };
  std::string name;  // as the list writes it
  Source source = Source::Missing;
  std::string wavPath, dftPath;  // the constructed names
};

struct ProvisioningScan {
  std::optional<Problem> problem;  // a fault of the list itself: the scan stopped there
  std::vector<SampleState> samples;  // each name once, in order of first appearance
};

// Scans the list's structure and first instrument fields. A sample file whose exact name is
// missing is found in its directory ignoring case.
// Problems name `listName` (by default the list's own path): a list read from a temporary file
// is reported under the name it will have.
ProvisioningScan ScanSamples(const std::string& lstPath, const std::string& wavDirectory,
                             const std::string& dftDirectory, const std::string& listName = "");

// "Fatal error: can't find either WAV or DFT for sample NAME!"
std::string MissingSampleMessage(const std::string& name);
extern const char* const kSamplesMissingMessage;  // "Sample file(s) missing. Aborting."

}  // namespace tonemill
