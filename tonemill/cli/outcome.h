// The command line's end of every operation that writes a file: the output job's outcome as a
// message on stderr and an exit status.
#pragma once

#include "tonemill/ops/outputjob.h"

namespace tonemill::cli {

// Done: 0, silently. Cancelled: what was kept, then 130 (or 128 + the signal). Incomplete and
// Failed: the problem, 1. Refused: the problem, if any (a declined question has said why), 1.
int ReportOutcome(const ops::JobOutcome& outcome);

}  // namespace tonemill::cli
