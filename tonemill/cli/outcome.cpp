#include "outcome.h"

#include "options.h"
#include "terminal.h"

namespace tonemill::cli {

int ReportOutcome(const ops::JobOutcome& outcome) {
  using End = ops::JobOutcome::End;
  if (outcome.end == End::Done) return kExitOk;
  if (!outcome.problem.message.empty()) PrintProblem(outcome.problem);
  return outcome.end == End::Cancelled ? CancelledExitCode() : kExitFailure;
}

int ReportSongOutcome(const ops::SongJobOutcome& outcome, const std::string& song) {
  using Step = ops::SongJobOutcome::Step;
  int code = kExitFailure;
  if (outcome.problem && outcome.step != Step::Render) {
    Problem problem = *outcome.problem;
    if (problem.file.empty()) problem.file = song;
    PrintProblem(problem);
  }
  if (outcome.end == ops::SongJobOutcome::End::Done && outcome.step == Step::Done) code = kExitOk;
  else if (outcome.step == Step::Render) code = ReportOutcome(outcome.render);
  else if (outcome.end == ops::SongJobOutcome::End::Cancelled) code = CancelledExitCode();
  else if ((outcome.step == Step::Song || outcome.step == Step::Samples) && InterruptRequested())
    code = CancelledExitCode();
  // The list stays for reading (its lines are what messages point at), whatever the render did.
  if (outcome.listProblem) {
    PrintProblem(*outcome.listProblem);
    if (code == kExitOk) code = kExitFailure;
  }
  return code;
}

}  // namespace tonemill::cli
