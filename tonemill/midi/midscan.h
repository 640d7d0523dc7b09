// The MIDI listing: which notes, programs, controllers and other messages each track and
// channel of a file uses, as the text report "MIDscan.TXT" and as JSON.
#pragma once

#include "midiutility.h"

#include <array>
#include <bitset>
#include <functional>
#include <string>

namespace tonemill {

struct ChannelUse {
  bool used = false;
  bool bend = false, pressure = false, systemExclusive = false;
  std::bitset<128> programs, polyPressure, notes, controllers;
  int32_t noteCount = 0;  // note ons of velocity above 0: the notes the channel plays
};

struct TrackUse {
  bool timeSignature = false, tempo = false;
  std::string name;  // the track's first name event (UTF-8; Latin-1 bytes converted)
  std::array<ChannelUse, 16> channels;  // channel 1 first
};

// Scans `source` with the listing's messages. `start` is called once the header test passed
// (format, track count); `track` once per track scanned, with a null `use` for the track whose
// scan failed, which is the last call.
UtilityOutcome ScanMidi(const std::string& source,
                        const std::function<void(int format, int tracks)>& start,
                        const std::function<void(int number, const TrackUse* use)>& track);

// The report's text, CR LF line ends. The head names the file exactly as it was given.
std::string ListingHead(const std::string& fileName, int format);
// A track's lines; only its "Track:" line when `use` is null (the scan failed there).
std::string ListingTrack(int number, int tracks, int format, const TrackUse* use);

// The names the report shows: the General MIDI tone name of a program, the drum set of a
// program on channel 10 (empty for the others), a controller's name (empty when unnamed).
const char* ToneName(int program);
std::string DrumSetName(int program);
std::string ControllerName(int controller);

// The same facts as JSON, written piece by piece: the head, each track (with commas between
// them), and the end, which carries the failure when there was one.
std::string ListingJsonHead(const std::string& fileName, int format, int tracks);
std::string ListingJsonTrack(int number, int format, const TrackUse& use, bool first);
std::string ListingJsonEnd(const UtilityOutcome& outcome);
// A JSON string literal.
std::string JsonString(const std::string& text);

}  // namespace tonemill
