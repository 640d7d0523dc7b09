#include "midscan.h"

#include "platform/filesystem.h"
#include "tonemill/files/notes.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace tonemill {
namespace {

constexpr const char* kToneNames[128] = {
    "Piano 1", "Piano 2", "Piano 3", "Honky-tonk piano", "Electric Piano 1", "Electric Piano 2",
    "Harpsichord", "Clavinet", "Celesta", "Glockenspiel", "Music Box", "Vibraphone", "Marimba",
    "Xylophone", "Bell", "Santur", "Organ 1", "Organ 2", "Organ 3", "Church Organ 1",
    "Reed Organ", "French Accordion", "Harmonica", "Bandoneon", "Nylon-string Guitar",
    "Steel-string Guitar", "Jazz Guitar", "Clean Guitar", "Muted Guitar", "Overdrive Guitar",
    "Distortion Guitar", "Guitar Harmonics", "Acoustic Bass", "Fingered Bass", "Picked Bass",
    "Fretless Bass", "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2", "Violin",
    "Viola", "Cello", "Contrabass", "Tremolo Strings", "Pizzicato Strings", "Harp", "Timpani",
    "Strings", "Slow Strings", "Synth Strings 1", "Synth Strings 2", "Choir Aahs", "Voice Oohs",
    "Synth Vox", "Orchestra Hit", "Trumpet", "Trombone", "Tuba", "Muted Trumpet", "French Horn",
    "Brass 1", "Synth Brass 1", "Synth Brass 2", "Soprano Sax", "Alto Sax", "Tenor Sax",
    "Baritone Sax", "Oboe", "English Horn", "Bassoon", "Clarinet", "Piccolo", "Flute",
    "Recorder", "Pan Flute", "Bottle Blow", "Shakuhachi", "Whistle", "Ocarina", "Square Wave",
    "Saw Wave", "Synth Calliope", "Chiffer Lead", "Charang", "Solo Vox", "5th Saw Wave",
    "Bass & Lead", "Fantasia", "Warm Pad", "Polysynth", "Space Voice", "Bowed Glass",
    "Metal Pad", "Halo Pad", "Sweep Pad", "Ice Rain", "Soundtrack", "Crystal", "Atmosphere",
    "Brightness", "Goblin", "Echo Drops", "Star Theme", "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bag Pipe", "Fiddle", "Shanai", "Tinkle Bell", "Agogo", "Steel Drums",
    "Woodblock", "Taiko", "Melodic Tom 1", "Synth Drum", "Reverse Cymbal", "Guitar Fret Noise",
    "Breath Noise", "Seashore", "Bird", "Telephone 1", "Helicopter", "Applause", "Gun Shot"};

constexpr const char* kIndent = "             ";  // 13 blanks
constexpr const char* kEnd = "\r\n";
constexpr int kDrumChannel = 10;

std::string RightAligned(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Number(int value, size_t width) { return RightAligned(std::to_string(value), width); }

// Key names right-aligned in five characters and a blank each; the first line starts with
// `firstLead` and holds `firstCount` names, every further line the indent and nine.
std::string KeyLines(const std::bitset<128>& keys, const std::string& firstLead,
                     int firstCount) {
  std::string text = firstLead;
  int onLine = 0, perLine = firstCount;
  for (int key = 0; key < 128; ++key) {
    if (!keys[size_t(key)]) continue;
    if (onLine == perLine) {
      text.append(kEnd).append(kIndent);
      onLine = 0;
      perLine = 9;
    }
    text += RightAligned(KeyName(key), 5) + " ";
    ++onLine;
  }
  return text + kEnd + kEnd;
}

std::string ProgramName(int channel, int program) {
  if (channel == kDrumChannel) return DrumSetName(program);
  return std::string("(GM: ") + ToneName(program) + ")";
}

std::string ChannelBlock(int channel, const ChannelUse& c) {
  std::string text = std::string("      Channel: ") + Number(channel, 2) + " ";
  if (channel == kDrumChannel) text += "(Default GM Drums Channel)";
  text.append(kEnd).append(kEnd);
  if (c.notes.any()) text += KeyLines(c.notes, kIndent, 9);
  if (c.polyPressure.any())
    text += KeyLines(c.polyPressure, std::string(kIndent) + "Polyphonic pressure:    ", 6);
  if (c.programs.any()) {
    for (int p = 0; p < 128; ++p)
      if (c.programs[size_t(p)])
        text.append(kIndent).append("Program ").append(Number(p, 3)).append(" ")
            .append(ProgramName(channel, p)).append(kEnd);
    text += kEnd;
  }
  if (c.controllers.any()) {
    for (int n = 0; n < 128; ++n)
      if (c.controllers[size_t(n)])
        text.append(kIndent).append("Controller ").append(Number(n, 3)).append(" ")
            .append(ControllerName(n)).append(kEnd);
    text += kEnd;
  }
  if (c.bend) text.append(kIndent).append("Pitch bend").append(kEnd).append(kEnd);
  if (c.pressure) text.append(kIndent).append("Channel pressure").append(kEnd).append(kEnd);
  if (c.systemExclusive)
    text.append(kIndent).append("System exclusive").append(kEnd).append(kEnd);
  return text;
}

void Mark(TrackUse& use, const MidiEvent& e) {
  if (e.status == 0xF0 || e.status == 0xF7) {
    // The status byte's low nibble is taken as the channel: 1 for 0xF0, 8 for 0xF7.
    ChannelUse& c = use.channels[e.status & 0x0F];
    c.used = c.systemExclusive = true;
    return;
  }
  if (e.IsMeta()) {
    if (e.data1 == 0x51) use.tempo = true;
    if (e.data1 == 0x58) use.timeSignature = true;
    return;
  }
  if (!e.IsChannelMessage()) return;
  ChannelUse& c = use.channels[size_t(e.Channel() - 1)];
  c.used = true;
  // A data byte with bit 7 set names no key, program or controller: the channel is used, no
  // number is listed.
  if (e.data1 > 127 && e.Kind() != 0xD0 && e.Kind() != 0xE0) return;
  switch (e.Kind()) {
    case 0x80: c.notes.set(e.data1); break;
    case 0x90:
      c.notes.set(e.data1);
      if (e.data2 > 0) ++c.noteCount;
      break;
    case 0xA0: c.polyPressure.set(e.data1); break;
    case 0xB0: c.controllers.set(e.data1); break;
    case 0xC0: c.programs.set(e.data1); break;
    case 0xD0: c.pressure = true; break;
    case 0xE0: c.bend = true; break;
  }
}

std::string JsonKeys(const std::bitset<128>& keys) {
  std::string text = "[";
  for (int key = 0; key < 128; ++key)
    if (keys[size_t(key)])
      text += std::string(text.size() > 1 ? ", " : "") + "{\"key\": " + std::to_string(key) +
              ", \"name\": " + JsonString(KeyName(key)) + "}";
  return text + "]";
}

std::string JsonNamed(const std::bitset<128>& set, const char* field,
                      const std::function<std::string(int)>& name) {
  std::string text = "[";
  for (int n = 0; n < 128; ++n) {
    if (!set[size_t(n)]) continue;
    const std::string shown = name(n);
    text += std::string(text.size() > 1 ? ", " : "") + "{\"" + field + "\": " + std::to_string(n) +
            ", \"name\": " + (shown.empty() ? "null" : JsonString(shown)) + "}";
  }
  return text + "]";
}

// The name inside the report's parentheses.
std::string Bare(const std::string& shown) {
  const size_t colon = shown.find(": ");
  if (shown.size() < 2) return "";
  return colon == std::string::npos ? shown.substr(1, shown.size() - 2)
                                     : shown.substr(colon + 2, shown.size() - colon - 3);
}

const char* Bool(bool b) { return b ? "true" : "false"; }

}  // namespace

const char* ToneName(int program) { return program >= 0 && program < 128 ? kToneNames[program] : ""; }

std::string DrumSetName(int program) {
  switch (program) {
    case 0: return "(SC: Standard Set)";
    case 8: return "(SC: Room Set)";
    case 16: return "(SC: Power Set)";
    case 24: return "(SC: Electronic Set)";
    case 25: return "(SC: TR-808 Set)";
    case 32: return "(SC: Jazz Set)";
    case 40: return "(SC: Brush Set)";
    case 48: return "(SC: Orchestra Set)";
  }
  return "";
}

std::string ControllerName(int controller) {
  switch (controller) {
    case 1: return "(modulation)";
    case 5: return "(portamento time)";
    case 6:
    case 38: return "(data entry)";
    case 7: return "(volume)";
    case 10: return "(panpot)";
    case 11: return "(expression)";
    case 64: return "(hold 1)";
    case 65: return "(portamento)";
    case 66: return "(sostenuto)";
    case 67: return "(soft)";
    case 91: return "(effect 1 depth)";
    case 92: return "(effect 2 depth)";
    case 93: return "(effect 3 depth)";
    case 120: return "(all sounds off)";
    case 121: return "(reset all controllers)";
    case 123: return "(all notes off)";
    case 124: return "(omni off)";
    case 125: return "(omni on)";
    case 126: return "(mono)";
    case 127: return "(poly)";
  }
  return "";
}

namespace {

bool IsUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

// A name as the file holds it: UTF-8 as it is, other bytes read as Latin-1.
std::string NameText(const std::string& bytes) {
  if (IsUtf8(bytes)) return bytes;
  std::string text;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      text += char(c);
    } else {
      text += char(0xC0 | (c >> 6));
      text += char(0x80 | (c & 0x3F));
    }
  }
  return text;
}

// The text of a meta event, at most 255 bytes of it, read beside the scan.
std::string MetaText(std::ifstream& file, const MidiEvent& e) {
  std::string bytes(size_t(std::min<int64_t>(e.dataLength, 255)), '\0');
  file.clear();
  file.seekg(e.dataPosition);
  if (!file.read(bytes.data(), std::streamsize(bytes.size()))) return {};
  return NameText(bytes);
}

}  // namespace

UtilityOutcome ScanMidi(const std::string& source,
                        const std::function<void(int format, int tracks)>& start,
                        const std::function<void(int number, const TrackUse* use)>& track) {
  const TMIDheader header(source);
  if (UtilityStatus s = HeaderStatus(header, false); s != UtilityStatus::None)
    return UtilityFailure(s, kListingMessages);
  int number = 0;
  try {
    TFastFile in(source, true, false);
    if (!in.Opened()) return UtilityFailure(UtilityStatus::SourceNotOpened, kListingMessages);
    start(header.format, header.tracks);
    in.SeekTo(14);
    MidiTrackReader reader(in, TempoReading::SkipByLength);
    std::ifstream names(platform::NativePath(source), std::ios::binary);
    for (number = 1; number <= header.tracks; ++number) {
      TrackUse use;
      if (reader.BeginTrack()) {
        MidiEvent e;
        while (reader.Next(e)) {
          Mark(use, e);
          if (e.IsMeta() && e.data1 == 0x03 && use.name.empty()) use.name = MetaText(names, e);
        }
      }
      if (reader.Error() != MidiReadError::None) {
        track(number, nullptr);
        return UtilityFailure(StatusOfReadError(reader.Error()), kListingMessages,
                              reader.Error() == MidiReadError::SongTooLong
                                  ? "the track passes 2^31 ticks"
                                  : "",
                              number);
      }
      track(number, &use);
    }
    return {};
  } catch (const EInOutError& error) {
    return UtilityFailure(UtilityStatus::Abnormal, kListingMessages, error.what(), number);
  }
}

std::string ListingHead(const std::string& fileName, int format) {
  return std::string(kEnd) + "   File " + fileName + " is MIDI Level " + std::to_string(format) +
         "." + kEnd;
}

std::string ListingTrack(int number, int tracks, int format, const TrackUse* use) {
  std::string text = std::string(kEnd) + "   Track: " + std::to_string(number) + " (" +
                     std::to_string(tracks) + ")";
  if (number == 1 && format == 1) text += "   (Default Time Signature/Tempo track)";
  text += kEnd;
  if (!use) return text;
  if (use->timeSignature || use->tempo) {
    text += kEnd;
    if (use->timeSignature) text.append(kIndent).append("Time signature").append(kEnd);
    if (use->tempo) text.append(kIndent).append("Tempo").append(kEnd);
  }
  text += kEnd;
  for (int channel = 1; channel <= 16; ++channel)
    if (use->channels[size_t(channel - 1)].used)
      text += ChannelBlock(channel, use->channels[size_t(channel - 1)]);
  return text;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

std::string ListingJsonHead(const std::string& fileName, int format, int tracks) {
  return "{\"file\": " + JsonString(fileName) + ", \"format\": " + std::to_string(format) +
         ", \"trackCount\": " + std::to_string(tracks) + ", \"tracks\": [";
}

std::string ListingJsonTrack(int number, int format, const TrackUse& use, bool first) {
  std::string text = std::string(first ? "\n" : ",\n") + "  {\"track\": " +
                     std::to_string(number) + ", \"defaultTimeSignatureTempoTrack\": " +
                     Bool(number == 1 && format == 1) + ", \"timeSignature\": " +
                     Bool(use.timeSignature) + ", \"tempo\": " + Bool(use.tempo) +
                     ", \"name\": " + JsonString(use.name) + ", \"channels\": [";
  bool firstChannel = true;
  for (int channel = 1; channel <= 16; ++channel) {
    const ChannelUse& c = use.channels[size_t(channel - 1)];
    if (!c.used) continue;
    text += std::string(firstChannel ? "\n" : ",\n") + "    {\"channel\": " +
            std::to_string(channel) + ", \"notes\": " + JsonKeys(c.notes) +
            ", \"polyphonicPressure\": " + JsonKeys(c.polyPressure) + ", \"programs\": " +
            JsonNamed(c.programs, "program",
                      [&](int p) { return Bare(ProgramName(channel, p)); }) +
            ", \"controllers\": " +
            JsonNamed(c.controllers, "controller", [](int n) { return Bare(ControllerName(n)); }) +
            ", \"pitchBend\": " + Bool(c.bend) + ", \"channelPressure\": " + Bool(c.pressure) +
            ", \"systemExclusive\": " + Bool(c.systemExclusive) +
            ", \"noteCount\": " + std::to_string(c.noteCount) + "}";
    firstChannel = false;
  }
  return text + (firstChannel ? "]}" : "\n  ]}");
}

std::string ListingJsonEnd(const UtilityOutcome& outcome) {
  std::string text = "\n]";
  if (!outcome.Ok())
    text += ", \"error\": {\"message\": " + JsonString(outcome.message) +
            ", \"track\": " + std::to_string(outcome.track) + "}";
  return text + "}\n";
}

}  // namespace tonemill
