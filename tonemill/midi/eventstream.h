// The event-stream reading that every MIDI reader of the program shares: track chunk headers,
// delta times, running status (with the 0xFE placeholder), channel messages, system exclusive
// and meta events, and the end of a track at End of Track or at the chunk length, whichever
// comes first. Each reader has its own messages for the same failures.
#pragma once

#include "tonemill/files/fastfile.h"

#include <cstdint>
#include <string>

namespace tonemill {

enum class MidiReadError {
  None,
  CannotOpen,
  UnexpectedEnd,    // a read past the end of the file
  NotMidi,          // header or chunk not as the reader requires
  UndefinedStatus,  // 0xF1-0xF6, 0xF8-0xFD
  SongTooLong,      // an absolute time beyond the 32-bit range
  IllegalDivision,  // a time division that would divide by zero
};

// The texts one reader shows for the failures of the table above.
struct MidiReaderMessages {
  const char* cannotOpen;
  const char* unexpectedEnd;
  const char* notMidi;
  const char* undefinedStatus;
};
extern const MidiReaderMessages kConverterMessages;
extern const MidiReaderMessages kMergerMessages;
extern const MidiReaderMessages kListingMessages;
extern const MidiReaderMessages kEditorMessages;

std::string MidiReadErrorMessage(MidiReadError error, const MidiReaderMessages& messages);

struct MidiEvent {
  int32_t tick = 0;     // absolute time in ticks
  uint8_t status = 0;   // the status that applies (running status for data-only events)
  uint8_t data1 = 0;    // channel messages: the data bytes; meta: the type
  uint8_t data2 = 0;
  int32_t tempo = -1;   // a tempo event read the converter's way: microseconds per quarter note
  int64_t dataPosition = 0;  // system exclusive and meta: where their data starts in the file
  int64_t dataLength = 0;    // ... and how many bytes they have

  bool IsChannelMessage() const { return status >= 0x80 && status < 0xF0; }
  uint8_t Kind() const { return status & 0xF0; }
  int Channel() const { return (status & 0x0F) + 1; }
  bool IsMeta() const { return status == 0xFF; }
  bool IsEndOfTrack() const { return status == 0xFF && data1 == 0x2F; }
};

// How a reader treats the tempo meta event: the converter reads one length byte and exactly
// three bytes of tempo; the other readers skip it by its variable-length length.
enum class TempoReading { ThreeBytes, SkipByLength };

class MidiTrackReader {
 public:
  MidiTrackReader(TFastFile& file, TempoReading tempoReading);

  // Reads the chunk header at the current position and resets the reading state.
  bool BeginTrack();
  // Reads the next event. False at the end of the track (after End of Track, which is returned
  // as an event, or when the bytes consumed reach the chunk length) or on an error.
  bool Next(MidiEvent& event);
  bool Ended() const { return ended_; }
  MidiReadError Error() const { return error_; }
  int32_t Tick() const { return tick_; }

  // The reading state, so that a reader can look ahead and come back.
  struct State {
    int64_t position = 0;
    int64_t consumed = 0;
    int64_t length = 0;
    int32_t tick = 0;
    uint8_t runningStatus = 0xFE;
    bool ended = false;
  };
  State Save() const;
  void Restore(const State& state);

 private:
  bool ReadByte(uint8_t& b);
  bool ReadQuantity(int64_t& value);
  bool Skip(int64_t count);
  bool Fail(MidiReadError error);

  TFastFile& file_;
  TempoReading tempoReading_;
  int64_t consumed_ = 0;
  int64_t length_ = 0;
  int32_t tick_ = 0;
  uint8_t runningStatus_ = 0xFE;
  bool ended_ = true;
  MidiReadError error_ = MidiReadError::None;
};

}  // namespace tonemill
