// The DFT conversions as output jobs: the Convert dialog's two ("WAV to DFT", "DFT to WAV"),
// shared with the command line, and the making of a WAV sample from its DFT file.
#pragma once

#include "outputjob.h"
#include "tonemill/files/problem.h"
#include "tonemill/render/dftlibrary.h"
#include "tonemill/render/makewavs.h"

#include <string>

namespace tonemill::ops {

// WAV to DFT: the DFT directory, the source's lower-cased name + ".dft"; DFT to WAV: the WAV
// directory, the name + ".wav".
std::string ProposedDftTarget(DftEntry entry, const std::string& source,
                              const std::string& wavDirectory, const std::string& dftDirectory);

// The library converts `source` into a temporary file beside `target`, which goes into place
// under `overwrite` on success. A failure leaves nothing of what the library wrote: the outcome
// is Failed, not kept, with the library's message. `unbound` as ConvertWithDftLibrary sets it.
JobOutcome RunDftConversion(DftEntry entry, const std::string& source, const std::string& target,
                            Overwrite overwrite, bool* unbound = nullptr);

// The dialog's OK: the source must be readable ("File not found!"), the target a valid name
// that is not the source ("Can't overwrite source file!") and a path the library takes; an
// existing target is replaced only after "Existing file X will be overwritten!" was answered OK
// (otherwise Refused with no problem, nothing written). Then the library converts.
JobOutcome ConvertDftFile(DftEntry entry, const std::string& source, const std::string& target);

// How the sample check and the Make WAVs list make a sample: DFT to WAV through the library.
SampleConversion DftSampleConversion();

// Why a Make WAVs row says "Yes" or "No", in the files it is about: "NAME.WAV exists",
// "Made from NAME.DFT", "Replaces NAME.WAV from NAME.DFT", "NAME.WAV is no valid WAV file",
// "No DFT file NAME.DFT to make it from", "Neither NAME.WAV nor NAME.DFT found".
std::string SampleRowReason(const SampleRow& row);

}  // namespace tonemill::ops
