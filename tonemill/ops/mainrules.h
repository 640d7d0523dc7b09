// The main window's rules that need no window: the selector and its directories, which
// operations a selected file enables, the captions that change with the selector, the file
// list's filter and size column, the play dialog's clock, the run form's parameters, the About
// box's figures and the window's place.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonemill {

enum class Selector { MID, LST, Song, PRG, WAV, Temp, DFT };
constexpr std::array<Selector, 7> kSelectors{Selector::MID,  Selector::LST,  Selector::Song,
                                            Selector::PRG,  Selector::WAV,  Selector::Temp,
                                            Selector::DFT};
// "MID", "LST", "Song", ...: the selector's caption and its key in TM.INI.
const char* SelectorName(Selector selector);

// The eight operation buttons of the main window.
struct Operations {
  bool Play = false, Scan = false, Edit = false, Convert = false, Print = false, Copy = false,
       Move = false, Delete = false;
  bool operator==(const Operations&) const = default;
};

// What a selected file enables under the selector; with no file selected, nothing.
Operations EnabledOperations(Selector selector, const std::string& fileName, bool fileSelected);
// "Make WAVs" while PRG is selected, else "Convert".
const char* ConvertCaption(Selector selector);
// "Make WAVs" while MID is selected, else "Print".
const char* PrintCaption(Selector selector);

// The file list's filter choices: "All files (*.*)|*.*|MID (*.MID)|*.MID|...", the audio
// files of every container the program reads last.
extern const char* const kFileFilter;
struct FilterChoice {
  std::string caption;
  std::vector<std::string> patterns;  // "*.MID", "*.*", ...
};
std::vector<FilterChoice> ParseFilter(const std::string& filter);
// Whether a listed file name matches one of the patterns, without regard to ASCII case; names
// starting with "." (hidden files, the writer's temporary files) never match.
bool MatchesFilter(const std::string& name, const std::vector<std::string>& patterns);

// The file list's order: runs of digits by their value (0, 1, 2, 10, 100), the other characters
// without regard to ASCII case, accented Latin letters beside their base letter ("Étude" among
// the e's); names equal that way fall back to the plain byte order.
bool NaturalLess(const std::string& a, const std::string& b);

// "123,456,789" with separators, "123456789" without.
std::string SizeText(uint64_t size, bool separator);

// Where the file list draws a column's right edge: offset mode 0 at `position`, 1 at the item's
// right edge plus `position`, 2 after the previous column (its right edge + `position` + the
// column's own width).
int ColumnRight(int offsetMode, int position, int itemRight, int previousRight, int width);
// The main window's size column position: 6 with fewer than 12 entries, else -10.
int MainSizePos(int entries);

// The play dialog's clock: elapsed milliseconds as "hh:mm:ss" (hours modulo 100).
std::string PlayClock(int64_t elapsedMs);

// The About box's free memory in kB: total × (100 − load) / 102400.
uint64_t FreeRamKb(uint64_t totalPhysicalBytes, uint32_t load);

// The About box's next picture of `count` (0-based): never `previous` again, chosen by `random`
// among the others.
int NextPicture(int previous, uint32_t random, int count = 9);

// The run form's parameters. The system's parameter string is the first parameter, then " "
// and the directory string when the directories are passed, then " ."; the program gets the
// same words as a list of arguments, each directory one argument whatever it contains.
struct RunParameters {
  std::string first;                     // the Vespera's current directory; empty for Lyrovox
  std::vector<std::string> directories;  // PRG, WAV (and Song for the Vespera)
  bool passDirectories = true;
};
std::string ParameterString(const RunParameters& parameters);
std::vector<std::string> ParameterList(const RunParameters& parameters);

// Where the main window was: its position and size on the screen, in logical pixels, and whether
// it was maximized, kept as Left, Top, Width, Height and Maximized in TM.INI's [Window].
struct WindowPlace {
  int left = 0, top = 0, width = 0, height = 0;
  bool maximized = false;
  bool operator==(const WindowPlace&) const = default;
};
extern const char* const kWindowSection;
std::vector<std::string> WindowKeys();
// The place the keys give; nothing when one of the four numbers is missing or no number, or the
// size is not positive.
std::optional<WindowPlace> PlaceOfKeys(const std::map<std::string, std::string>& keys);
// The keys of `place` whose text differs from `stored` (what the file held): all of them when
// nothing was stored.
std::vector<std::pair<std::string, std::string>> ChangedKeys(const WindowPlace& place,
                                                             const std::map<std::string, std::string>& stored);
// The place restored on a screen whose free area is `area` (only its position and size count):
// no larger than the area unless `minWidth` and `minHeight` ask for more, and moved so that it
// lies within the area, its top left corner always on it.
WindowPlace ClampedPlace(WindowPlace place, const WindowPlace& area, int minWidth, int minHeight);

}  // namespace tonemill
