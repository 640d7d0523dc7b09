// The PRG editor's document: an instrument file as a table of rows, one per definition line,
// each with the comment lines that came before it. Loading, the check of a cell as it is left,
// Copy to..., the viewer's import and saving are here, without Qt; every field is read and
// written through the one PRG line model (prgline.h).
#pragma once

#include "prgline.h"
#include "tonemill/files/problem.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tonemill {

// The table's columns: the key range, the sample, the base key, volume and pan, the sample
// file's format (not editable), then the fields of the line in file order.
inline constexpr int kPrgColumns = 25;
PrgField FieldOfColumn(int column);
int ColumnOfField(PrgField field);
const char* ColumnHeader(int column);
// The one-line explanation shown for a selected cell.
const char* ColumnExplanation(int column);
// Bits, Channels and Sampling rate show the sample file's format and are not edited.
bool ColumnIsEditable(int column);

inline constexpr const char* kNoSelectionText = "No active field selection.";
inline constexpr const char* kCommentFieldText = "Comment field - free format text.";

struct PrgRow {
  std::array<std::string, kPrgColumns> cells;  // normal forms
  std::vector<std::string> comments;           // as read, or as typed
  bool operator==(const PrgRow&) const = default;

  const std::string& Cell(PrgField field) const { return cells[ColumnOfField(field)]; }
  std::string& Cell(PrgField field) { return cells[ColumnOfField(field)]; }
  bool Empty() const;
};

struct PrgDocument {
  std::vector<PrgRow> rows;
  // Comment lines after the last definition line: kept and written back at the end.
  std::vector<std::string> trailingComments;
};

// The sample file a row names: the WAV directory with a separator, the name and ".WAV".
std::string SampleFileName(const std::string& wavDirectory, const std::string& name);

// Reads the file for the editor. A line in error ends the load with its message, prefixed with
// "Key range " + the line's key range (except for the key range's own messages); informational
// fields that differ from the sample file are corrected after a warning (OK/Cancel, asked
// through the platform messages), Cancel ends the load with no message. A file without
// definition lines gives one empty row.
struct PrgDocumentLoad {
  bool loaded = false;
  PrgDocument document;
  std::string message;  // the failure to show, or empty
};
PrgDocumentLoad LoadPrgDocument(const std::string& path, const std::string& wavDirectory);

// Leaving an edited cell: the text is tested with the loading rules and against the rest of the
// row, and on success the row comes back with the cell in its normal form (integers rounded,
// two decimals for the four reals, a WAV name upper-cased and cut at its ".", with the sample
// file's format; a negative loop point makes both loop cells "-1"; a loop start above the loop
// end brings the loop end along). On failure the message, without the row prefix.
struct CellEdit {
  std::string message;
  PrgRow row;
};
CellEdit EditCell(const PrgRow& row, int column, const std::string& text,
                  const std::string& wavDirectory);

// Copy to...: which rows take the selected cell's value, and the copy itself. Every changed row
// is checked as an edit of that cell; when one refuses, nothing is copied and its message comes
// back with the row prefix.
enum class CopyTargets { All, SameBaseKey, SameKey };
bool CopyAllowed(int column);
std::vector<size_t> CopyTargetRows(const PrgDocument& document, size_t row, CopyTargets targets);
std::string CopyCell(PrgDocument& document, size_t row, int column, CopyTargets targets,
                     const std::string& wavDirectory);

// The viewer's import into one of the six cells Attack length to Loop end sample: the lengths
// take the marked range's length in ms, the sample positions its start (Start, Loop start) or
// end (End, Loop end) in frames. `fromMs` says the viewer shows ms; `framesPerMs` converts.
// "Invalid WAView range!" when the range ends before it starts.
bool ImportAllowed(int column);
std::optional<std::string> ImportedText(int column, double start, double end, bool fromMs,
                                        double framesPerMs, std::string& message);

// The line a complete row holds.
PrgLine LineOfRow(const PrgRow& row);
PrgRow RowOfLine(const PrgLine& line);

// Before saving: the first cell of a row that is not empty and yet has an empty cell, with
// its message ("Key range c4. Error reading Base pan!").
struct IncompleteCell {
  size_t row = 0;
  int column = 0;
  std::string message;
};
std::optional<IncompleteCell> FirstIncompleteCell(const PrgDocument& document);

// The file's text: each row's comments, then its line (empty rows write only their comments),
// then the trailing comments; CR LF line ends.
std::string FormatPrgDocument(const PrgDocument& document);
// Writes the file through the output writer; "Can't write PRG file!" with the reason.
std::optional<Problem> SavePrgDocument(const std::string& path, const PrgDocument& document);

}  // namespace tonemill
