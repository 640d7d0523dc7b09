// The command line's end of every operation that writes a file: the output job's outcome as a
// message on stderr and an exit status.
#pragma once

#include "tonemill/ops/outputjob.h"
#include "tonemill/ops/songjob.h"

#include <string>

namespace tonemill::cli {

// Done: 0, silently. Cancelled: what was kept, then 130 (or 128 + the signal). Incomplete and
// Failed: the problem, 1. Refused: the problem, if any (a declined question has said why), 1.
int ReportOutcome(const ops::JobOutcome& outcome);

// A song job's end: a problem before the render (given `song` as its file when it names none
// and `song` is not empty), the render as ReportOutcome reports it, a cancel (also a signal
// that ended the song checks or the sample check) as the cancelled status, and a list that
// could not be put into place, which fails a song that was done.
int ReportSongOutcome(const ops::SongJobOutcome& outcome, const std::string& song);

}  // namespace tonemill::cli
