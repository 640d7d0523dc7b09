// A WAV operation as the editor's dialogs and the command line run it: the output checks, the
// engine writing to a temporary file beside the target, and the outcome — the output put into
// place after success or a cancel, and after an input that ends early only where it replaces
// nothing; removed after a failure, so that an existing target stays as it was.
#pragma once

#include "tonemill/files/outputfile.h"
#include "tonemill/files/problem.h"
#include "tonemill/files/progress.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tonemill {

inline constexpr const char* kCantOverwriteSource = "Can't overwrite source file!";

// The output may be none of the inputs, under whatever name: "Can't overwrite source file!".
std::optional<Problem> OutputIsSource(const std::string& output,
                                      const std::vector<std::string>& inputs);

// The checks before an operation writes `output`: not one of the inputs, not something other
// than a regular file, and, when it exists, the question "File X will be overwritten!". Returns
// how the output may be put into place, or the problem (a declined question gives an empty
// message: nothing to report).
std::optional<Overwrite> CheckOutput(const std::string& output,
                                     const std::vector<std::string>& inputs, Problem& problem);

// What an engine reports: whether it was cancelled, and a problem found while working that
// still left a valid output (an input that ends early).
struct EngineRun {
  bool cancelled = false;
  std::optional<Problem> problem;
};
using WaveEngine = std::function<EngineRun(const std::string& outputPath)>;

struct WaveOutcome {
  enum class End { Done, Cancelled, Incomplete, Failed };
  End end = End::Failed;
  Problem problem;  // why it failed, what was incomplete, or how far a cancel got
};

// Runs the engine on a temporary file beside `output` and puts the result into place unless
// the engine failed (threw EInOutError, or its input ended early and `output` exists);
// messages name `output`, not the temporary file. An
// output that cannot be created gives `cannotCreate` where the operation has a message of its
// own for that ("Can not open destination file." for the mixer).
WaveOutcome RunWaveEngine(const std::string& output, Overwrite overwrite, const WaveEngine& engine,
                          const std::string& cannotCreate = {});

// "Premature end of WAV file " + name.
Problem PrematureEnd(const std::string& name);

}  // namespace tonemill
