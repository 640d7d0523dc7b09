#include "outputjob.h"

#include "platform/filesystem.h"
#include "targets.h"
#include "tonemill/files/fastfile.h"

namespace tonemill::ops {
namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

JobOutcome Ended(JobOutcome::End end, Problem problem, bool kept) {
  JobOutcome outcome;
  outcome.end = end;
  outcome.problem = std::move(problem);
  outcome.kept = kept;
  return outcome;
}

}  // namespace

std::optional<JobOutcome> PrepareOutput(OutputJob& job) {
  auto refused = [](Problem problem) {
    return Ended(JobOutcome::End::Refused, std::move(problem), false);
  };
  for (const std::string& input : job.inputs)
    if (auto clash = OutputIsInput(job.target, input, "Can't overwrite source file!"))
      return refused(*clash);
  if (job.checks)
    if (auto problem = job.checks()) return refused(*problem);
  if (auto unwritable = UnwritableTarget(job.target)) return refused(*unwritable);
  std::optional<Overwrite> answer = job.overwrite;
  if (job.question == OverwriteQuestion::File) answer = AskToOverwriteFile(job.target);
  if (job.question == OverwriteQuestion::Existing) answer = AskToOverwrite(job.target);
  if (!answer) return refused(Problem());
  job.overwrite = *answer;
  return std::nullopt;
}

JobOutcome RunOutputJob(const OutputJob& job, Progress& progress, const OutputWork& work,
                        OutputFile* held) {
  const std::string& target = job.target;
  Problem problem;
  OutputFile out = OutputFile::Open(target, problem);
  if (!out.IsOpen()) {
    if (!job.cannotCreate.empty()) problem.message = job.cannotCreate;
    return Ended(JobOutcome::End::Failed, problem, false);
  }
  WorkResult run;
  try {
    run = work(out.Path(), progress);
  } catch (const EInOutError& e) {
    std::string message = e.what();
    ReplaceAll(message, platform::NativePath(out.Path()), target);
    ReplaceAll(message, out.Path(), target);
    return Ended(JobOutcome::End::Failed, Problem(message, target), false);
  }
  switch (run.end) {
    case WorkResult::End::Done:
      if (held) {
        *held = std::move(out);
        return Ended(JobOutcome::End::Done, {}, false);
      }
      if (!out.Commit(job.overwrite, problem)) return Ended(JobOutcome::End::Failed, problem, false);
      return Ended(JobOutcome::End::Done, {}, true);
    case WorkResult::End::Cancelled:
      if (!out.Commit(job.overwrite, problem)) return Ended(JobOutcome::End::Failed, problem, false);
      return Ended(JobOutcome::End::Cancelled, run.problem, true);
    case WorkResult::End::EndedEarly:
      // The processed part is a valid output, but the run failed: it goes into place only where
      // it replaces nothing.
      if (KindOf(target) != TargetKind::Absent) {
        run.problem.message += "; " + target + " was left as it was";
        return Ended(JobOutcome::End::Failed, run.problem, false);
      }
      if (!out.Commit(Overwrite::Refuse, problem)) return Ended(JobOutcome::End::Failed, problem, false);
      return Ended(JobOutcome::End::Incomplete, run.problem, true);
    case WorkResult::End::Failed:
      if (run.keepAfterFailure && !out.Commit(job.overwrite, problem))
        return Ended(JobOutcome::End::Failed, problem, false);
      return Ended(JobOutcome::End::Failed, run.problem, run.keepAfterFailure);
  }
  return Ended(JobOutcome::End::Failed, run.problem, false);
}

std::optional<Problem> ProblemOf(const JobOutcome& outcome) {
  if (outcome.end == JobOutcome::End::Done || outcome.problem.message.empty()) return std::nullopt;
  return outcome.problem;
}

JobOutcome CheckAndRunOutputJob(OutputJob& job, Progress& progress, const OutputWork& work) {
  if (std::optional<JobOutcome> refused = PrepareOutput(job)) return *refused;
  return RunOutputJob(job, progress, work);
}

}  // namespace tonemill::ops
