// What the three MIDI utilities (the format 1 to 0 merger, the listing and the track editor)
// share: their status codes, the messages for them, and the header test each makes before it
// creates anything.
#pragma once

#include "eventstream.h"
#include "midheader.h"

#include <string>

namespace tonemill {

enum class UtilityStatus {
  None,
  SourceNotOpened,
  DestinationNotOpened,
  PrematureEnd,
  UnsupportedFile,
  UndefinedStatus,
  Abnormal,  // anything else: a write that failed, a song past the 32-bit tick range
};

// How a utility ended: its status, the one message it shows, and where it stopped.
struct UtilityOutcome {
  UtilityStatus status = UtilityStatus::None;
  std::string message;  // empty on success
  std::string detail;   // what the message leaves out (the operating system's words, a limit)
  int track = 0;        // the track being read when it failed, 1-based; 0 before the tracks
  bool Ok() const { return status == UtilityStatus::None; }
};

// The message of a status in one reader's words; "Can not open destination file." and
// "Abnormal termination." are the same for all.
std::string UtilityMessage(UtilityStatus status, const MidiReaderMessages& messages);
UtilityOutcome UtilityFailure(UtilityStatus status, const MidiReaderMessages& messages,
                              std::string detail = {}, int track = 0);
UtilityStatus StatusOfReadError(MidiReadError error);

// The header test before anything is created. The probe fills format and track count only for
// a valid file, so a missing, short, foreign or format 2 file is refused here with the reader's
// own message. `formatOneOnly` is the merger's rule.
UtilityStatus HeaderStatus(const TMIDheader& header, bool formatOneOnly);

}  // namespace tonemill
