#include "operation.h"

#include "platform/filesystem.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/ops/targets.h"

namespace tonemill {
namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace

std::optional<Problem> OutputIsSource(const std::string& output,
                                      const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs)
    if (auto clash = OutputIsInput(output, input, kCantOverwriteSource)) return clash;
  return std::nullopt;
}

std::optional<Overwrite> CheckOutput(const std::string& output,
                                     const std::vector<std::string>& inputs, Problem& problem) {
  if (auto clash = OutputIsSource(output, inputs)) {
    problem = *clash;
    return std::nullopt;
  }
  if (auto unwritable = UnwritableTarget(output)) {
    problem = *unwritable;
    return std::nullopt;
  }
  const std::optional<Overwrite> overwrite = ops::AskToOverwriteFile(output);
  if (!overwrite) problem = Problem();
  return overwrite;
}

WaveOutcome RunWaveEngine(const std::string& output, Overwrite overwrite, const WaveEngine& engine,
                          const std::string& cannotCreate) {
  WaveOutcome outcome;
  OutputFile out = OutputFile::Open(output, outcome.problem);
  if (!out.IsOpen()) {
    if (!cannotCreate.empty()) outcome.problem.message = cannotCreate;
    return outcome;
  }
  EngineRun run;
  try {
    run = engine(out.Path());
  } catch (const EInOutError& e) {
    std::string message = e.what();
    ReplaceAll(message, platform::NativePath(out.Path()), output);
    ReplaceAll(message, out.Path(), output);
    outcome.problem = Problem(message, output);
    return outcome;  // the temporary file goes with `out`
  }
  // An input that ends early still gives a valid output of what it holds, but the run failed:
  // the output goes into place only where it replaces nothing.
  const bool incomplete = run.problem && !run.cancelled;
  if (incomplete && KindOf(output) != TargetKind::Absent) {
    outcome.end = WaveOutcome::End::Failed;
    outcome.problem = *run.problem;
    outcome.problem.message += "; " + output + " was left as it was";
    return outcome;
  }
  if (!out.Commit(incomplete ? Overwrite::Refuse : overwrite, outcome.problem)) return outcome;
  if (run.cancelled) {
    outcome.end = WaveOutcome::End::Cancelled;
    outcome.problem = Problem("Cancelled: " + output + " holds what was done before the cancel", output);
  } else if (run.problem) {
    outcome.end = WaveOutcome::End::Incomplete;
    outcome.problem = *run.problem;
  } else {
    outcome.end = WaveOutcome::End::Done;
  }
  return outcome;
}

Problem PrematureEnd(const std::string& name) {
  return Problem("Premature end of WAV file " + name, name);
}

}  // namespace tonemill
