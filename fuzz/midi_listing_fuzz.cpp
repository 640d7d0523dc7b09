// The MIDI listing: it succeeds exactly when every track reads; its report ends every line with
// CR LF, names every track it scanned, and its JSON closes every bracket it opens.
#include "midi_utility_check.h"
#include "tonemill/midi/midscan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const std::string in = fuzz::ScratchFile("in.mid", data, size);
  const fuzz::ReadFile source = fuzz::ReadMidi(in);
  if (source.header.valid && source.header.tracks > fuzz::kMaxTracks) return 0;
  std::string text, json;
  int format = 0, tracks = 0, scanned = 0;
  const tonemill::UtilityOutcome outcome = tonemill::ScanMidi(
      in,
      [&](int f, int t) {
        format = f;
        tracks = t;
        text += tonemill::ListingHead("in.mid", f);
        json += tonemill::ListingJsonHead("in.mid", f, t);
      },
      [&](int number, const tonemill::TrackUse* use) {
        if (number != scanned + 1) fuzz::Fail("tracks out of order");
        scanned = number;
        text += tonemill::ListingTrack(number, tracks, format, use);
        if (use) json += tonemill::ListingJsonTrack(number, format, *use, number == 1);
      });
  if (outcome.Ok() != source.ok) fuzz::Fail("listed a file that does not read, or refused one that does");
  if (outcome.Ok() && scanned != tracks) fuzz::Fail("a track was not listed");
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) fuzz::Fail("a line ends without CR LF");
  if (!json.empty()) {
    json += tonemill::ListingJsonEnd(outcome);
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < json.size(); ++i) {
      const char c = json[i];
      if (inString) {
        if (c == '\\') ++i;
        else if (c == '"') inString = false;
      } else if (c == '"') {
        inString = true;
      } else if (c == '{' || c == '[') {
        ++depth;
      } else if (c == '}' || c == ']') {
        if (--depth < 0) fuzz::Fail("JSON closes more than it opens");
      }
    }
    if (depth != 0 || inString) fuzz::Fail("JSON left open");
  }
  return 0;
}
