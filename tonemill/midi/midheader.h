// TMIDheader: the probe that accepts or refuses a MIDI file before any work starts. It reads at
// most the 14 header bytes and only sets flags.
#pragma once

#include <cstdint>
#include <string>

namespace tonemill {

class TMIDheader {
 public:
  explicit TMIDheader(const std::string& fileName);

  bool valid = false;      // all checks passed and the format is 0 or 1
  bool exists = false;     // the file could be opened
  bool premature = false;  // the file ended within or right after the header
  bool isMIDI = false;     // SMF signature and a format of 0, 1 or 2
  bool formatOK = false;   // the format is 0 or 1
  uint8_t format = 0;
  uint16_t tracks = 0;
  int16_t division = 0;  // > 0 ticks per quarter note; < 0 SMPTE
};

// The render dialog's message for the first failing test ("File not found!", ...), or an empty
// text when the probe is valid.
std::string MidiProbeProblem(const TMIDheader& header);

// A valid header that announces no track: every reader of the file says so first, instead of
// the premature end it would meet looking for the first track.
std::string NoTracksProblem(const TMIDheader& header);

// The 14 header bytes: "MThd", 00 00 00 06, a format whose high byte is 0 and low byte below 3.
// Returns false when the signature does not match.
bool ParseMidiHeader(const uint8_t (&bytes)[14], uint8_t& format, uint16_t& tracks,
                     int16_t& division);

}  // namespace tonemill
