// The sample player's rules without Qt: its number fields, the note and octave fields, the
// layers that sound a note, the one-note song list it renders, and the check of its output.
#pragma once

#include "prgline.h"
#include "tonemill/files/problem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonemill {

// A number field of the player: its range, its default and its message.
struct PlayerField {
  const char* name;
  double minimum, maximum;
  const char* initial;
  const char* message;
};
inline constexpr PlayerField kDurationField{"duration", 1, 3600000, "1000", "Illegal Duration!"};
inline constexpr PlayerField kAttackField{"attack", 0, 127, "64", "Illegal Attack!"};
inline constexpr PlayerField kPressureField{"pressure", 0, 127, "64", "Illegal Pressure!"};
inline constexpr PlayerField kReleaseField{"release", 0, 127, "64", "Illegal Release!"};
inline constexpr PlayerField kModulationField{"modulation", 0, 127, "0", "Illegal Modulation!"};
inline constexpr const char* kIllegalNoteMessage = "Illegal note code!";
inline constexpr const char* kIllegalOctaveMessage = "Illegal octave number!";

// The field's text in the form the player keeps (the duration rounded to whole ms), or nothing
// when it is not a number within the field's range.
std::optional<std::string> PlayerFieldText(const PlayerField& field, const std::string& text);

// The octave an octave field holds: an integer 0 to 10, or nothing.
std::optional<int> OctaveOfText(const std::string& text);
// The note (key mod 12) in another octave: octave 10 reaches past 127, up to 131.
inline int KeyInOctave(int key, int octave) { return key % 12 + octave * 12; }
// The key a note field names ("c4", "F#3", only the low key of a range), or -1.
int KeyOfNoteText(const std::string& text);

// What is played: the key, the duration in ms and the four controller values.
struct PlayedNote {
  int key = 60;
  int32_t duration = 1000;
  int attack = 64, pressure = 64, release = 64, modulation = 0;
};

// The layers that sound the note: with `allLayers`, the rows whose key range holds the key, in
// table order, at most six; otherwise the selected row alone.
std::vector<PrgLine> LayersForNote(const std::vector<PrgLine>& rows, size_t selected,
                                   bool allLayers, int key);
// "All layers" with no row holding the key.
std::string NoLayerMessage(int key);

// The song list of the one note: its length, then one instrument block per layer holding the
// note with its ON, PRS (pressure other than 64), MOD (modulation other than 0) and OFF events;
// CR LF line ends.
std::string OneNoteList(const std::vector<PrgLine>& layers, const PlayedNote& note);

// The output may not be one of the layers' own samples (compared as files on disk):
// "Can't overwrite sample file NAME!".
std::optional<Problem> CheckPlayerOutput(const std::string& output,
                                         const std::vector<PrgLine>& layers,
                                         const std::string& wavDirectory);

// Temp.LST in the Temp directory.
std::string PlayerListPath(const std::string& tempDirectory);

}  // namespace tonemill
