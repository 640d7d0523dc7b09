#include "eventstream.h"

#include <climits>
#include <cstring>

namespace tonemill {
namespace {

// Variable-length quantities have no byte limit; their value stops growing here, which is past
// every length and time the readers accept.
constexpr int64_t kQuantityCeiling = int64_t(1) << 48;

}  // namespace

const MidiReaderMessages kConverterMessages = {
    "Can not open MIDI file.", "Unexpected end of MIDI file.",
    "Source file is not Standard MIDI Level 0 or 1.", "Undefined status byte in MIDI file."};
const MidiReaderMessages kMergerMessages = {"Can not open source file.",
                                            "Premature data termination.",
                                            "File is not MIDI Level 1.", "Undefined status byte."};
const MidiReaderMessages kListingMessages = {
    "Can not open source file.", "Premature data termination.",
    "File is not MIDI Level 0 or Level 1.", "Undefined status byte."};
const MidiReaderMessages kEditorMessages = kListingMessages;

std::string MidiReadErrorMessage(MidiReadError error, const MidiReaderMessages& messages) {
  switch (error) {
    case MidiReadError::None: return "";
    case MidiReadError::CannotOpen: return messages.cannotOpen;
    case MidiReadError::UnexpectedEnd: return messages.unexpectedEnd;
    case MidiReadError::NotMidi: return messages.notMidi;
    case MidiReadError::UndefinedStatus: return messages.undefinedStatus;
    case MidiReadError::SongTooLong: return "Song too long.";
    case MidiReadError::IllegalDivision: return "Illegal time division in MIDI file.";
  }
  return "";
}

MidiTrackReader::MidiTrackReader(TFastFile& file, TempoReading tempoReading)
    : file_(file), tempoReading_(tempoReading) {}

bool MidiTrackReader::Fail(MidiReadError error) {
  error_ = error;
  ended_ = true;
  return false;
}

// A read past the end of the file is the reader's unexpected end; reading the last byte is not.
bool MidiTrackReader::ReadByte(uint8_t& b) {
  if (file_.Position >= file_.Size()) return Fail(MidiReadError::UnexpectedEnd);
  b = file_.ReadByte();
  ++consumed_;
  return true;
}

bool MidiTrackReader::ReadQuantity(int64_t& value) {
  value = 0;
  uint8_t b = 0;
  do {
    if (!ReadByte(b)) return false;
    value = value * 128 + (b & 0x7F);
    if (value > kQuantityCeiling) value = kQuantityCeiling;
  } while (b & 0x80);
  return true;
}

bool MidiTrackReader::Skip(int64_t count) {
  if (count > file_.Size() - file_.Position) {
    file_.SeekTo(file_.Size());
    return Fail(MidiReadError::UnexpectedEnd);
  }
  file_.SeekTo(file_.Position + count);
  consumed_ += count;
  return true;
}

bool MidiTrackReader::BeginTrack() {
  error_ = MidiReadError::None;
  ended_ = false;
  consumed_ = 0;
  tick_ = 0;
  runningStatus_ = 0xFE;
  uint8_t header[8];
  for (uint8_t& b : header)
    if (!ReadByte(b)) return false;
  if (std::memcmp(header, "MTrk", 4) != 0) return Fail(MidiReadError::NotMidi);
  length_ = int64_t(header[4]) << 24 | header[5] << 16 | header[6] << 8 | header[7];
  consumed_ = 0;
  return true;
}

bool MidiTrackReader::Next(MidiEvent& e) {
  if (ended_ || error_ != MidiReadError::None) return false;
  if (consumed_ >= length_) {
    ended_ = true;
    return false;
  }
  int64_t delta = 0;
  if (!ReadQuantity(delta)) return false;
  if (tick_ + delta > INT32_MAX) return Fail(MidiReadError::SongTooLong);
  tick_ = int32_t(tick_ + delta);
  e = MidiEvent{};
  e.tick = tick_;

  uint8_t b = 0;
  if (!ReadByte(b)) return false;
  if (b & 0x80) {
    e.status = b;
    if (b != 0xF0 && b != 0xF7 && b != 0xFF) runningStatus_ = b;
  } else {
    // A data byte: step back, it is the first data byte of an event with the running status.
    file_.SeekTo(file_.Position - 1);
    --consumed_;
    e.status = runningStatus_;
  }

  const uint8_t s = e.status;
  if (s < 0xF0) {
    if (!ReadByte(e.data1)) return false;
    const uint8_t kind = s & 0xF0;
    if (kind != 0xC0 && kind != 0xD0 && !ReadByte(e.data2)) return false;
    return true;
  }
  if (s == 0xF0 || s == 0xF7) {
    if (!ReadQuantity(e.dataLength)) return false;
    e.dataPosition = file_.Position;
    return Skip(e.dataLength);
  }
  if (s == 0xFF) {
    if (!ReadByte(e.data1)) return false;
    if (e.data1 == 0x2F) {
      uint8_t length = 0;
      if (!ReadByte(length)) return false;
      ended_ = true;
      return true;
    }
    if (e.data1 == 0x51 && tempoReading_ == TempoReading::ThreeBytes) {
      uint8_t length = 0, t0 = 0, t1 = 0, t2 = 0;
      if (!ReadByte(length) || !ReadByte(t0) || !ReadByte(t1) || !ReadByte(t2)) return false;
      e.tempo = t0 << 16 | t1 << 8 | t2;
      e.dataPosition = file_.Position - 3;
      e.dataLength = 3;
      return true;
    }
    if (!ReadQuantity(e.dataLength)) return false;
    e.dataPosition = file_.Position;
    return Skip(e.dataLength);
  }
  if (s == 0xFE) return true;  // the placeholder and real 0xFE events: ignored, no data
  return Fail(MidiReadError::UndefinedStatus);
}

MidiTrackReader::State MidiTrackReader::Save() const {
  return {file_.Position, consumed_, length_, tick_, runningStatus_, ended_};
}

void MidiTrackReader::Restore(const State& s) {
  file_.SeekTo(s.position);
  consumed_ = s.consumed;
  length_ = s.length;
  tick_ = s.tick;
  runningStatus_ = s.runningStatus;
  ended_ = s.ended;
  error_ = MidiReadError::None;
}

}  // namespace tonemill
