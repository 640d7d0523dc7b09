// The effect dialogs' patch files (ECHO.INI, FLANGE.INI, CHORUS.INI, REVERB.INI, VOCODER.INI):
// one named parameter set per line, the name with "_" for its spaces and the values after it,
// separated by spaces; the vocoder adds 32 band lines to every patch. One component reads and
// writes all five for the dialogs and the command line alike.
#pragma once

#include "tonemill/files/problem.h"

#include <optional>
#include <string>
#include <vector>

namespace tonemill {

// One value column: its default, its decimals, its range check and the message a field of
// this column shows for a value outside it.
struct PatchColumn {
  std::string key;          // what the column holds ("level", "delay", ...)
  std::string defaultText;  // as the default patch line holds it
  int decimals = 0;
  bool hasMin = false, hasMax = false;
  double min = 0, max = 0;
  bool integer = false;   // only whole numbers
  bool time = false;      // milliseconds in the file, the editor's unit in a field
  bool withinFile = false;  // a time that sizes a delay: at most the file's duration
  bool keepText = false;  // written back as it was read, not reformatted
  std::string message;    // the field's message for a value it refuses
};

struct PatchLayout {
  std::string fileName;
  std::vector<PatchColumn> columns;
  // The vocoder: every patch has this many band lines of bandColumns each.
  int bandLines = 0;
  std::vector<PatchColumn> bandColumns;
  // The default text of a band value (band 0-based, column 0-based).
  std::string (*bandDefault)(int band, int column) = nullptr;
};

struct Patch {
  std::string name;
  std::vector<std::string> values;               // one per column
  std::vector<std::vector<std::string>> bands;   // bandLines × bandColumns
  bool operator==(const Patch&) const = default;
};

// Whether the text passes the column's check.
bool ColumnAccepts(const PatchColumn& column, const std::string& text);
// The text as the file keeps it: reformatted with the column's decimals.
std::string ColumnText(const PatchColumn& column, double value);

Patch DefaultPatch(const PatchLayout& layout);

// Reads the file's patches; a missing file is first created holding the default patch. Lines
// without a name are skipped; a missing or refused value takes its column's default. When no
// line yields a patch the list holds the default patch. False with `problem` set when the
// file can neither be read nor created.
bool ReadPatches(const std::string& path, const PatchLayout& layout, std::vector<Patch>& patches,
                 Problem& problem);
// Writes the whole list back (CR LF line ends), replacing the file in one step.
bool WritePatches(const std::string& path, const PatchLayout& layout,
                  const std::vector<Patch>& patches, Problem& problem);

// One writer's change of a patch file, by name: the patches it added or updated, and the names
// it removed.
struct PatchChange {
  std::vector<Patch> put;
  std::vector<std::string> removed;
  bool Empty() const { return put.empty() && removed.empty(); }
};
// What turns the list as it was read into the list as it is now: a name that is new or whose
// values changed is put, a name that is gone is removed (a renamed patch is both).
PatchChange ChangeBetween(const std::vector<Patch>& read, const std::vector<Patch>& now);
// Applies the change to the file as it is now, under the file's lock: read again, the removed
// names taken out, each patch put over the one of its name or added at the end, written back.
// The first patch is never removed. What other writers did meanwhile is kept. Creates the file
// when it is missing; false with `problem` set when it can be neither read nor written.
bool ApplyPatchChange(const std::string& path, const PatchLayout& layout, const PatchChange& change,
                      Problem& problem);

// The text of the file for the patches.
std::string PatchFileText(const PatchLayout& layout, const std::vector<Patch>& patches);
// Reads patches from the text of a file.
std::vector<Patch> ParsePatches(const std::string& text, const PatchLayout& layout);

// The patch of that name, or nothing.
std::optional<size_t> FindPatch(const std::vector<Patch>& patches, const std::string& name);

}  // namespace tonemill
