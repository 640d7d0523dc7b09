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

}  // namespace tonemill::cli
