// Note names and key codes: key = note index + 12 × octave, so "c5" is key 60. Names are
// lower case with "#" for sharps; either case is read, there are no flats.
#pragma once

#include <string>

namespace tonemill {

// The lower-case name of the key's note followed by its octave ("c#5" for 61).
std::string KeyName(int key);

// The note index 0..11 of a name of at most two characters ("C", "c#" ...), or -1. Only the
// first two characters of `name` are looked at.
int NoteIndex(const std::string& name);

// The octave 0..10 written in at most the first two characters of `text`, or -1.
int OctaveValue(const std::string& text);

// Reads "c4", "C#4-d5" or "c4 - d5" into a low and a high key. Both start at -1; a single key
// leaves `high` at -1; any failure leaves `low` at -1.
void ParseKeyRange(const std::string& text, int& low, int& high);

}  // namespace tonemill
