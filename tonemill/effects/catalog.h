// The table of effects: one row for every WAV operation and every library effect, holding what
// the command line and the desktop program need to offer it — the command's name, summary and
// usage, the dialog's caption, help context and launcher, every field with its option, caption,
// unit, spin step and rule (range, default, decimals, message), the patch columns of a library
// effect, and the engine entry. The subcommands with their --help and option checks, the range
// dialogs, the effect dialogs' fields and the WAV editor's launchers are built from the rows.
//
// Adding a WAV operation:
//  1. The engine, one file in wave/: FooRange(request, settings, progress) under the range frame.
//  2. One row in catalog.cpp: names, summaries, help context, caption, launcher, its fields
//     (option, caption, unit, step and the rule that gives range, default, decimals and message
//     for the file at hand), and the engine entry that turns the fields' values into the
//     engine's settings. The subcommand with its --help and checks, the dialog (laid out from
//     the row) and the WAV editor's button (added after the form's when the form has none) follow.
//  3. Its help topic page, under the row's context number.
// Adding a library effect: its engine and export in resona/, its EffectKind, patch layout
// (effectpatches.cpp), arguments (effectarguments.cpp) and export call (ops/effectrun.cpp), its
// row here (options, captions, grid headers and patch columns), and, as its dialog is bespoke (a
// patch grid), a form in gui/effects/ and its line in the WAV editor's list of bespoke dialogs.
#pragma once

#include "effectpatches.h"
#include "tonemill/wave/fields.h"
#include "tonemill/wave/rangeframe.h"
#include "tonemill/wave/selection.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace tonemill {

// Range operations are the program's own engines, run on the selection under the range frame;
// library effects run an export of the library with a patch file of their own.
enum class EffectFamily { Range, Library };

enum class FieldKind {
  Number,  // an edit with its spin button; a value option
  Flag,    // a check box; an option without a value that sets the other state
  Choice,  // radio buttons; an option naming one of them
  List,    // a library effect's run of patch columns given as one option "a,b,c,..."
  File,    // the vocoder's control file, a required option
  Table,   // the vocoder's band table read from a file
};

// The label beside an edit: nothing, the time unit ("ms" or "samples"), or the threshold's
// range for the file's word size.
enum class FieldUnit { None, Time, Threshold };

struct EffectChoice {
  const char* name;     // the option's word ("square")
  const char* control;  // the radio button's object name
  const char* caption;
};

struct EffectField {
  FieldKind kind = FieldKind::Number;
  const char* option = nullptr;   // the command-line option, without "--"
  const char* metavar = nullptr;  // what its value looks like in --help
  const char* help = nullptr;     // its line in --help
  // The dialog: controls named controlEdit, controlSpin and controlLabel (a check box is named
  // control itself); nullptr where a bespoke form holds the field.
  const char* control = nullptr;
  const char* caption = nullptr;  // the label (or check box) text
  FieldUnit unit = FieldUnit::None;
  const char* unitLabel = nullptr;  // the unit label's object name when not controlUnit
  double step = 1;                  // what the spin button adds or takes away
  // A range operation's number: its rule for the file at hand (range, default, decimals,
  // message, spin step).
  RealField (*rule)(const LaunchValues& launch) = nullptr;
  // A library effect's number, choice or list: its patch column (the rule is the column's).
  size_t column = 0;
  size_t count = 1;  // a list's columns
  const char* header = nullptr;  // the patch grid's column header
  // A choice's options (its value is the index plus firstValue), or a flag's state without it.
  std::vector<EffectChoice> choices;
  int firstValue = 0;
  const char* givenByDefault = "";  // a choice's text when the option is not given ("" keeps the patch's)
  bool flagDefault = false;
  const char* takes = nullptr;  // the usage error's "takes ..." for a choice or a list
};

// The values of a range operation's fields, in the row's order: a number as its field reads it,
// a flag 0 or 1, a choice its value.
struct FieldValues {
  std::vector<double> values;
  LaunchValues launch;
  double operator[](size_t field) const { return values.at(field); }
};

using RangeEngine = RangeResult (*)(const RangeRequest& request, const FieldValues& values,
                                    Progress& progress);

struct EffectEntry {
  const char* command = nullptr;      // the subcommand ("lowpass")
  const char* summary = nullptr;      // its line in "tonemill --help"
  const char* description = nullptr;  // the line under its usage in "tonemill COMMAND --help"
  const char* usage = nullptr;        // what follows "tonemill COMMAND" in the usage line
  EffectFamily family = EffectFamily::Range;
  int helpContext = 0;                // the dialog's help topic
  const char* caption = nullptr;      // the dialog's title
  const char* group = nullptr;        // the title of the dialog's box of fields
  const char* launcher = nullptr;     // the WAV editor's button for it
  bool runByEditor = false;  // the editor runs it on its selection itself, without a dialog
  std::vector<EffectField> fields;
  RangeEngine run = nullptr;           // a range operation's engine
  EffectKind kind = EffectKind::Echo;  // a library effect's export and patch file

  // The field for an option, or nothing.
  const EffectField* Field(std::string_view option) const;
};

// Every row, range operations and library effects, in the command list's order within each
// family.
const std::vector<EffectEntry>& Effects();
// The row of a command, or nothing.
const EffectEntry* FindEffect(std::string_view command);
// The row of a library effect.
const EffectEntry& EffectOf(EffectKind kind);
// A range operation's values with every field at its default for the file at hand.
FieldValues DefaultValues(const EffectEntry& effect, const LaunchValues& launch);
// The text of the unit label beside a field.
std::string UnitText(FieldUnit unit, const LaunchValues& launch);

}  // namespace tonemill
