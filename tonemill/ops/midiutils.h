// The MIDI utilities as operations: the format 1 to 0 merger (the Convert dialog's "MID 1 to
// 0"), the listing (the main window's Scan) and the track editor's copy, each checked first and
// written through the output job, so that a failure leaves an existing target as it was.
#pragma once

#include "tonemill/files/outputfile.h"
#include "outputjob.h"
#include "tonemill/files/problem.h"
#include "tonemill/midi/midedit.h"
#include "tonemill/midi/midscan.h"

#include <functional>
#include <optional>
#include <string>

namespace tonemill::ops {

// A utility's failure as a problem: the destination's failure names the target, every other
// the source; the operating system's words or the failing track as the reason.
Problem UtilityProblem(const UtilityOutcome& outcome, const std::string& source,
                       const std::string& target);

// The header test a utility makes before it creates anything, in its own words; "Can not open
// source file." carries the operating system's reason.
std::optional<Problem> CheckUtilitySource(const std::string& source,
                                          const MidiReaderMessages& messages, bool formatOneOnly);

// The checks of a utility's target before work: not the source under any name ("Can't
// overwrite source file!"), not a device, FIFO or directory.
std::optional<Problem> CheckUtilityTarget(const std::string& source, const std::string& target);

// MID 1 to 0 after the overwrite question: the merged file is put into place only when the
// merge succeeded.
JobOutcome MergeToFormat0(const std::string& source, const std::string& target,
                          Overwrite overwrite);

// The track editor's copy after the dialog's checks and question, put into place only on
// success.
JobOutcome EditTracks(const std::string& source, const std::string& destination,
                      const TrackEdit& edit, Overwrite overwrite);

enum class ListingForm { Text, Json };

// The listing, handed piece by piece to `write` (false: the output failed, and the listing
// stops). The text report names the file as `fileName`; a scan error comes back after the
// pieces written up to the failing track's line (the JSON then ends with the error).
std::optional<Problem> ListMidi(const std::string& source, const std::string& fileName,
                                ListingForm form,
                                const std::function<bool(const std::string&)>& write);

// The listing into a report file. After a scan error the report keeps what was written, which
// shows where the scan stopped, and is put into place as well (kept); the problem comes back.
// The report names the file as `fileName` (by default `source`).
JobOutcome ListMidiToFile(const std::string& source, const std::string& report, ListingForm form,
                          Overwrite overwrite, const std::string& fileName = "");

}  // namespace tonemill::ops
