// The provisioning check: which samples an LST song list names, and whether each is there as a
// valid WAV file, can be made from a DFT file, or is missing.
#pragma once

#include "tonemill/files/problem.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tonemill {

struct SampleState {
  enum class Source { Wav, Dft, Missing };
  std::string name;  // as the list first writes it
  Source source = Source::Missing;
  // Directory + name + ".WAV" / ".DFT", or the existing file whose name differs only in case.
  std::string wavPath, dftPath;
};

struct ProvisioningScan {
  std::optional<Problem> problem;  // a fault of the list itself: the scan stopped there
  bool aborted = false;            // a missing sample was answered with Abort
  // Each sample once, in order of first appearance; names that differ only in case are one
  // sample, since they find one file.
  std::vector<SampleState> samples;
};

// Called for each missing sample as the scan meets it; false ends the scan (aborted).
using MissingSampleCallback = std::function<bool(const SampleState&)>;

// Scans the list's structure and first instrument fields. A sample is there as WAV when its
// file passes the header probe; otherwise it can be made when its DFT file exists.
// Problems name `listName` (by default the list's own path): a list read from a temporary file
// is reported under the name it will have.
ProvisioningScan ScanSamples(const std::string& lstPath, const std::string& wavDirectory,
                             const std::string& dftDirectory, const std::string& listName = "",
                             const MissingSampleCallback& onMissing = {});

// Whether the sample's WAV file passes the header probe now.
bool SampleWavIsValid(const std::string& wavPath);

// "Fatal error: can't find either WAV or DFT for sample NAME!"
std::string MissingSampleMessage(const std::string& name);
extern const char* const kSamplesMissingMessage;  // "Sample file(s) missing. Aborting."

}  // namespace tonemill
