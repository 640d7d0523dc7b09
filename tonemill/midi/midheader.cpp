#include "midheader.h"

#include "tonemill/files/fastfile.h"

#include <cstring>

namespace tonemill {

bool ParseMidiHeader(const uint8_t (&b)[14], uint8_t& format, uint16_t& tracks,
                     int16_t& division) {
  static const uint8_t kSignature[8] = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  if (std::memcmp(b, kSignature, 8) != 0 || b[8] != 0 || b[9] >= 3) return false;
  format = b[9];
  tracks = uint16_t(b[10] << 8 | b[11]);
  division = int16_t(uint16_t(b[12] << 8 | b[13]));
  return true;
}

TMIDheader::TMIDheader(const std::string& fileName) {
  try {
    TFastFile file(fileName, true, false);
    if (!file.Opened()) return;
    exists = true;
    uint8_t bytes[14] = {};
    size_t read = 0;
    while (read < 14 && !file.AtEnd) bytes[read++] = file.ReadByte();
    uint8_t f = 0;
    uint16_t t = 0;
    int16_t d = 0;
    // A file that ends with its header is whole only when the header announces no track.
    const bool parsed = read == 14 && ParseMidiHeader(bytes, f, t, d);
    if (file.AtEnd && !(parsed && t == 0)) {
      premature = true;
      return;
    }
    isMIDI = parsed;
    if (!isMIDI || f == 2) return;
    formatOK = true;
    format = f;
    tracks = t;
    division = d;
    valid = true;
  } catch (const EInOutError&) {
    premature = true;
  }
}

std::string MidiProbeProblem(const TMIDheader& header) {
  if (!header.exists) return "File not found!";
  if (header.premature) return "Premature end of source file!";
  if (!header.isMIDI) return "Source file is not Standard MIDI!";
  if (!header.formatOK) return "Unsupported MIDI format!";
  return NoTracksProblem(header);
}

std::string NoTracksProblem(const TMIDheader& header) {
  return header.valid && header.tracks == 0 ? "The MIDI file has no tracks!" : "";
}

}  // namespace tonemill
