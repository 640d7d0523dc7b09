// The output job: every operation that writes a file runs through it. The checks come first and
// may refuse before anything is written; then the work writes a temporary file beside the
// target, and the job puts it into place after success or a cancel, after an input that ended
// early only where it replaces nothing, and removes it after a failure, so that an existing
// target stays as it was. One outcome comes back, which the command line turns into its message
// and exit status and the dialogs into their boxes.
#pragma once

#include "tonemill/files/framemap.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/problem.h"
#include "tonemill/files/progress.h"
#include "tonemill/files/soundfile.h"
#include "tonemill/wave/loudness.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tonemill::ops {

struct JobOutcome {
  enum class End {
    Done,
    Cancelled,   // the output holds what was done before the cancel
    Incomplete,  // an input ended early; the processed part is in place
    Failed,      // nothing new in place, unless `kept` says the partial output was kept
    Refused,     // before anything was written: a guard, or a declined question
  };
  End end = End::Failed;
  // Why it failed or was refused (empty after a declined question: the question said it), which
  // input was incomplete, or how far a cancel got.
  Problem problem;
  // Whether the target now holds what the work wrote.
  bool kept = false;
  // The loudness gain applied, in dB, and what the front end warns about it (the ceiling kept
  // the target out of reach, or the output was too quiet to measure).
  std::optional<double> gainDb;
  std::string gainWarning;
};

// The overwrite question asked when the target exists.
enum class OverwriteQuestion {
  None,      // asked before, or not at all: `overwrite` says how to put the output into place
  File,      // "File X will be overwritten!", the WAV operations' and the effects' wording
  Existing,  // "Existing file X will be overwritten!", the Convert dialog's
};

struct OutputJob {
  std::string target;
  // The target may be none of these, under whatever name: "Can't overwrite source file!".
  std::vector<std::string> inputs;
  // The operation's own checks, after the guard against the inputs.
  std::function<std::optional<Problem>()> checks;
  OverwriteQuestion question = OverwriteQuestion::None;
  Overwrite overwrite = Overwrite::Refuse;
  // Replaces the output writer's message when no temporary file can be made, where the
  // operation has its own ("Can not open destination file." for the mixer).
  std::string cannotCreate;
  // The container the target gets. The work always writes a WAV file; for another container
  // the job encodes it into a second temporary file, which is what goes into place.
  Container container = Container::Wav;
  // The lossy encoder's quality, 0 to 10 (none: its default); refused before anything runs for
  // a container that takes none.
  std::optional<double> quality;
  // Text tags for a target of another container that holds them (CarriedTags).
  AudioTags tags;
  // A rate the target's encoder refuses is converted to the nearest it takes (EncodableRate).
  bool resample = false;
  // A gain on the work's WAV file once it is done, before it is encoded and put into place:
  // the one that brings it to `loudness` under the true-peak ceiling, or `gainDb` as it is
  // (the stems of a song take the gain of its mix).
  std::optional<LoudnessTarget> loudness;
  std::optional<double> gainDb;
};

// "-" as a target: the finished file goes to standard output, and no file named "-" is made.
bool IsStandardOutput(const std::string& target);
// /dev/null (under any name) as a target: the work runs and its output is dropped.
bool IsNullDevice(const std::string& target);

// What the work reports about the temporary file it was handed.
struct WorkResult {
  enum class End { Done, Cancelled, EndedEarly, Failed };
  End end = End::Done;
  // How far a cancel got, which input ended early, or why the work failed.
  Problem problem;
  // A failed work's output is put into place all the same: what it holds shows where it stopped.
  bool keepAfterFailure = false;
  // Where the output's frames came from in the input, for the chunks carried over with them.
  FrameMap frames = {};

  static WorkResult Done() { return {}; }
  static WorkResult Failure(Problem problem) { return {End::Failed, std::move(problem), false, {}}; }
};

using OutputWork = std::function<WorkResult(const std::string& temporaryPath, Progress& progress)>;

// The checks before work: the guard against the inputs, `checks`, a target that is not a regular
// file (standard output and /dev/null are taken), and the question (never asked for those). Fills in `job.overwrite` from the answer; a refusal comes back as its
// outcome.
std::optional<JobOutcome> PrepareOutput(OutputJob& job);

// Runs the work on a temporary file beside the target (in the temporary directory for standard
// output and /dev/null), encodes it into `job.container` and puts the result into place as the
// work's end says; standard output gets the finished file's bytes once it is complete. An EInOutError thrown by the work fails the job, with the temporary file's
// name in its message replaced by the target's. With `held`, a work that is done leaves its file
// there instead of in place: a later step reads it from `held->Path()`, then commits or drops it.
JobOutcome RunOutputJob(const OutputJob& job, Progress& progress, const OutputWork& work,
                        OutputFile* held = nullptr);

// What a front end that shows only problems reports: the outcome's problem, none when done or
// after a declined question (the question has said it).
std::optional<Problem> ProblemOf(const JobOutcome& outcome);

// PrepareOutput, then RunOutputJob.
JobOutcome CheckAndRunOutputJob(OutputJob& job, Progress& progress, const OutputWork& work);

}  // namespace tonemill::ops
