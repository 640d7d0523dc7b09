// Making WAV samples from DFT files on the command line: the make-wavs command, and the sample
// check that render and lst2wav run before a song is rendered.
#pragma once

#include "climessages.h"
#include "tonemill/files/problem.h"
#include "tonemill/ops/songpipeline.h"

#include <functional>
#include <optional>
#include <string>

namespace tonemill::cli {

// The sample check before a render, as ops::CheckSamples runs it, with a signal cancelling
// after the current sample and each sample made reported on stderr; questions go to
// `messages`. A problem ends the command; after a signal, exit with CancelledExitCode().
std::optional<Problem> ProvideSamples(CliMessages& messages, const std::string& lstPath, const std::string& listName,
                                      const std::string& wavDirectory,
                                      const std::string& dftDirectory, const std::string& output);
// The same for a sample check `check` that makes its samples through `making`.
std::optional<Problem> ProvideSamples(CliMessages& messages, ops::SampleMaking& making,
                                      const std::function<std::optional<Problem>()>& check);

}  // namespace tonemill::cli
