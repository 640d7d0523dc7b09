// The Convert dialog's two DFT conversions ("WAV to DFT", "DFT to WAV"), shared with the
// command line: the proposed target, the checks, the overwrite question and the library call.
#pragma once

#include "tonemill/files/problem.h"
#include "tonemill/render/dftlibrary.h"

#include <string>

namespace tonemill::ops {

// WAV to DFT: the DFT directory, the source's lower-cased name + ".dft"; DFT to WAV: the WAV
// directory, the name + ".wav".
std::string ProposedDftTarget(DftEntry entry, const std::string& source,
                              const std::string& wavDirectory, const std::string& dftDirectory);

struct DftOutcome {
  enum class End { Done, Declined, Failed };
  End end = End::Failed;
  Problem problem;  // why it failed
};

// The dialog's OK: the source must be readable ("File not found!"), the target a valid name
// that is not the source ("Can't overwrite source file!"); an existing target is replaced only
// after "Existing file X will be overwritten!" was answered OK (otherwise Declined, nothing
// written). Then the library converts; its result code comes back as the dialog's message.
DftOutcome ConvertDftFile(DftEntry entry, const std::string& source, const std::string& target);

}  // namespace tonemill::ops
