#include "midiutility.h"

namespace tonemill {

std::string UtilityMessage(UtilityStatus status, const MidiReaderMessages& messages) {
  switch (status) {
    case UtilityStatus::None: return "";
    case UtilityStatus::SourceNotOpened: return messages.cannotOpen;
    case UtilityStatus::DestinationNotOpened: return "Can not open destination file.";
    case UtilityStatus::PrematureEnd: return messages.unexpectedEnd;
    case UtilityStatus::UnsupportedFile: return messages.notMidi;
    case UtilityStatus::UndefinedStatus: return messages.undefinedStatus;
    case UtilityStatus::Abnormal: break;
  }
  return "Abnormal termination.";
}

UtilityOutcome UtilityFailure(UtilityStatus status, const MidiReaderMessages& messages,
                              std::string detail, int track) {
  UtilityOutcome outcome;
  outcome.status = status;
  outcome.message = UtilityMessage(status, messages);
  outcome.detail = std::move(detail);
  outcome.track = track;
  return outcome;
}

UtilityStatus StatusOfReadError(MidiReadError error) {
  switch (error) {
    case MidiReadError::None: return UtilityStatus::None;
    case MidiReadError::CannotOpen: return UtilityStatus::SourceNotOpened;
    case MidiReadError::UnexpectedEnd: return UtilityStatus::PrematureEnd;
    case MidiReadError::NotMidi: return UtilityStatus::UnsupportedFile;
    case MidiReadError::UndefinedStatus: return UtilityStatus::UndefinedStatus;
    case MidiReadError::SongTooLong:
    case MidiReadError::IllegalDivision: break;
  }
  return UtilityStatus::Abnormal;
}

UtilityStatus HeaderStatus(const TMIDheader& header, bool formatOneOnly) {
  if (!header.exists) return UtilityStatus::SourceNotOpened;
  if (header.premature) return UtilityStatus::PrematureEnd;
  if (!header.valid) return UtilityStatus::UnsupportedFile;  // not MIDI, or format 2
  if (formatOneOnly && header.format != 1) return UtilityStatus::UnsupportedFile;
  return UtilityStatus::None;
}

}  // namespace tonemill
