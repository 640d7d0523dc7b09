#include "prgdocument.h"

#include "platform/filesystem.h"
#include "platform/messages.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/paths.h"
#include "tonemill/files/wavheader.h"

#include <algorithm>
#include <bitset>
#include <climits>
#include <cmath>
#include <fstream>

namespace tonemill {
namespace {

struct Column {
  PrgField field;
  const char* header;
  const char* explanation;
};

constexpr Column kColumns[kPrgColumns] = {
    {PrgField::KeyRange, "Key range",
     "Format is <Low key>[-<High key>], as in f3 or f3-g5. Allowed range: c0 to g10."},
    {PrgField::WavFile, "WAV file",
     "The actual sample file, residing in the WAV directory. The WAV extension is implied."},
    {PrgField::BaseKey, "Base key",
     "The note at which the sample file was (supposedly) recorded. Allowed range: c0 to g10."},
    {PrgField::BaseVolume, "Base volume",
     "The volume at which the sample file was (supposedly) recorded. 1 or higher (MIDI max is "
     "127)."},
    {PrgField::BasePan, "Base pan",
     "The stereo position at recording time. Allowed range: 0 (all left) to 127 (all right)."},
    {PrgField::Bits, "Bits", "Number of bits/sample (8 or 16). This field can NOT be edited!"},
    {PrgField::Channels, "Channels",
     "Number of sound channels (1 for mono or 2 for stereo). This field can NOT be edited!"},
    {PrgField::Rate, "Sampling rate [Hz]", "11025, 22050 or 44100 Hz. This field can NOT be edited!"},
    {PrgField::VelocitySens, "Velocity sens. [%]", "Weight given to Attack velocity: -100 to 100 (%)."},
    {PrgField::PressureSens, "Pressure sens. [%]", "Weight given to key Pressure: 0 or higher (%)."},
    {PrgField::ExpressionSens, "Expression sens. [%]",
     "Weight given to Expression values: -100 to 100 (%)."},
    {PrgField::ReleaseSens, "Release sens. [%]", "Weight given to Release velocity: -100 to 100 (%)."},
    {PrgField::BendRange, "Bend range", "Pitch Bend range in semitones: 0 to 127."},
    {PrgField::ModulationSens, "Mod. sens [%]", "Weight given to Modulation values: 0 or higher (%)."},
    {PrgField::ModulationRate, "Mod. rate [Hz]", "Modulation (LFO) rate in Hz: 0 to 100."},
    {PrgField::Attack, "Attack",
     "Amplitude factor at Attack end (rising linearly from 0 at Start sample): 0 or higher."},
    {PrgField::Decay, "Decay",
     "Amplitude factor at Decay end (linearly interpolated from Attack end): 0 or higher."},
    {PrgField::SustainSlope, "Sustain slope [1/s]",
     "Amplitude factor slope (change/second) in Sustain section."},
    {PrgField::ReleaseSlope, "Release slope [1/s]",
     "Amplitude factor slope (change/second) in Release section."},
    {PrgField::AttackLength, "Attack length [ms]", "Attack length (in milliseconds): 0 or more."},
    {PrgField::DecayLength, "Decay length [ms]", "Decay length (in milliseconds): 0 or more."},
    {PrgField::StartSample, "Start sample", "Start sample. Preceding samples are not used."},
    {PrgField::EndSample, "End sample", "End sample. Subsequent samples are not used."},
    {PrgField::LoopStart, "Loop start sample",
     "Loop start sample. Must fall between Start and Loop end sample or be negative (no loop)."},
    {PrgField::LoopEnd, "Loop end sample",
     "Loop end sample. Must fall between Loop start and End sample or be negative (no loop)."},
};

// How the messages name a field: "Error reading " + reading + "!", "Illegal " + illegal + ": ".
struct FieldNames {
  const char* reading;
  const char* illegal;
};
constexpr FieldNames kNames[kPrgFieldCount] = {
    {"Key range", "Key range"},
    {"WAV filename", "WAV filename"},
    {"Base key", "Base key"},
    {"Base volume", "Base volume"},
    {"Base pan", "Base pan"},
    {"Velocity sens.", "Velocity sens."},
    {"Pressure sens.", "Pressure sens."},
    {"Expression sens.", "Expression sens."},
    {"Release sens.", "Release sens."},
    {"Bend range", "Bend range"},
    {"Mod. sens.", "Mod. sens."},
    {"Mod. rate", "Mod. rate"},
    {"Attack value", "Attack"},
    {"Decay value", "Decay"},
    {"Sustain slope", "Sustain slope"},
    {"Release slope", "Release slope"},
    {"Attack length", "Attack length"},
    {"Decay length", "Decay length"},
    {"Start position", "Start sample"},
    {"End position", "End sample"},
    {"Loop start position", "Loop start sample"},
    {"Loop end position", "Loop end sample"},
    {"number of Bits", "number of Bits"},
    {"number of Channels", "number of Channels"},
    {"Sampling rate", "Sampling rate"},
};

constexpr const char* kLoopedReleaseMessage = "Looped release must have negative slope!";

std::string ReadingMessage(PrgField field) {
  return std::string("Error reading ") + kNames[int(field)].reading + "!";
}
std::string SampleNameMessage(const std::string& text) { return "Error reading WAV filename: " + text; }
std::string IllegalMessage(PrgField field, const std::string& text) {
  return std::string("Illegal ") + kNames[int(field)].illegal + ": " + text;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A WAV cell's text as the editor keeps it: up to the first ".", upper case.
std::string SampleName(const std::string& text) {
  std::string name = Trimmed(text).substr(0, Trimmed(text).find('.'));
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return name;
}

// The checks of a sample name against its file; on success `header` describes it.
std::string SampleProblem(const std::string& text, const std::string& wavDirectory,
                          std::string& name, std::optional<TWAVheader>& header) {
  name = SampleName(text);
  if (name.empty()) return SampleNameMessage(text);
  if (name.size() > 8) return "WAV filename too long: " + name;
  PrgLine probe;
  if (!ReadPrgField(PrgField::WavFile, name, NumberReading::Exact, probe))
    return SampleNameMessage(text);
  const std::string file = SampleFileName(wavDirectory, name);
  header.emplace(platform::FindFileIgnoringCase(file));
  return WavInputProblem(*header, file);
}

using Present = std::bitset<kPrgFieldCount>;

// The row's cells read into a line; `present` says which cells hold a value.
PrgLine ReadRow(const PrgRow& row, Present& present) {
  PrgLine line;
  for (int f = 0; f < kPrgFieldCount; ++f) {
    const PrgField field = PrgField(f);
    const std::string& cell = row.Cell(field);
    if (!cell.empty() && ReadPrgField(field, cell, NumberReading::Rounded, line)) present.set(f);
  }
  return line;
}

bool Has(const Present& present, std::initializer_list<PrgField> fields) {
  return std::all_of(fields.begin(), fields.end(), [&](PrgField f) { return present.test(int(f)); });
}

// The rules between the fields of a line, as far as its cells are filled: the field whose rule
// is broken (ReleaseSlope for the looped release), or nothing.
std::optional<PrgField> BrokenRule(PrgLine line, const Present& present) {
  using F = PrgField;
  if (Has(present, {F::StartSample, F::EndSample}) && !FitsEarlierFields(F::EndSample, line))
    return F::EndSample;
  if (Has(present, {F::StartSample, F::EndSample, F::LoopStart}) &&
      !FitsEarlierFields(F::LoopStart, line))
    return F::LoopStart;
  if (!present.test(int(F::LoopStart))) line.loopStart = -1;
  if (Has(present, {F::EndSample, F::LoopEnd}) && !FitsEarlierFields(F::LoopEnd, line))
    return F::LoopEnd;
  if (Has(present, {F::LoopEnd, F::ReleaseSlope}) && !LoopedReleaseIsNegative(line))
    return F::ReleaseSlope;
  return std::nullopt;
}

std::vector<std::string> Tokens(const std::string& line) {
  std::vector<std::string> tokens;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos == line.size()) break;
    const size_t end = std::min(line.find(' ', pos), line.size());
    tokens.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return tokens;
}

bool IsComment(const std::string& line) {
  const size_t first = line.find_first_not_of(' ');
  return first != std::string::npos && line[first] == '#';
}

// One definition line into a row: the message of its first failure, or empty. `cancelled`
// tells a warning answered with Cancel.
std::string ReadDefinition(const std::string& text, const std::string& wavDirectory, PrgRow& row,
                           bool& cancelled) {
  const std::vector<std::string> tokens = Tokens(text);
  if (tokens.empty()) return ReadingMessage(PrgField::KeyRange);
  const std::string prefix = "Key range " + tokens[0] + ". ";
  PrgLine line;
  std::optional<TWAVheader> header;
  std::string sampleFile;
  for (int f = 0; f <= int(PrgField::LoopEnd); ++f) {
    const PrgField field = PrgField(f);
    if (size_t(f) >= tokens.size()) {
      if (field == PrgField::WavFile) return prefix + SampleNameMessage("");
      return field == PrgField::KeyRange ? ReadingMessage(field) : prefix + ReadingMessage(field);
    }
    const std::string& token = tokens[size_t(f)];
    if (field == PrgField::WavFile) {
      std::string name;
      if (std::string problem = SampleProblem(token, wavDirectory, name, header); !problem.empty())
        return prefix + problem;
      line.wavName = name;
      sampleFile = SampleFileName(wavDirectory, name);
      continue;
    }
    if (!ReadPrgField(field, token, NumberReading::Rounded, line) || !FitsEarlierFields(field, line))
      return field == PrgField::KeyRange ? IllegalMessage(field, token)
                                         : prefix + IllegalMessage(field, token);
  }
  if (!LoopedReleaseIsNegative(line)) return prefix + kLoopedReleaseMessage;

  struct Informational {
    PrgField field;
    int32_t PrgLine::*member;
    int32_t actual;
    std::string warning;
  };
  const Informational informational[] = {
      {PrgField::Bits, &PrgLine::bits, header->BitsPerSample,
       "Sample size modified to " + std::to_string(header->BitsPerSample) + " bits in WAV file "},
      {PrgField::Channels, &PrgLine::channels, header->Channels,
       "Number of channels modified to " + std::to_string(header->Channels) + " in WAV file "},
      {PrgField::Rate, &PrgLine::rate, header->SampleRate,
       "Sampling rate modified to " + std::to_string(header->SampleRate) + " Hz in WAV file "},
  };
  for (const Informational& i : informational) {
    const size_t index = size_t(i.field);
    if (index >= tokens.size()) return prefix + ReadingMessage(i.field);
    PrgLine stored;
    if (!ReadPrgField(i.field, tokens[index], NumberReading::Exact, stored) ||
        stored.*i.member != i.actual) {
      const platform::Answer answer =
          platform::Show({platform::MessageKind::Warning, platform::Buttons::OkCancel,
                          platform::Topic::ContinueAfter, prefix + i.warning + sampleFile});
      if (answer != platform::Answer::Ok) {
        cancelled = true;
        return "";
      }
    }
    line.*i.member = i.actual;
  }
  row = RowOfLine(line);
  return "";
}

}  // namespace

PrgField FieldOfColumn(int column) { return kColumns[column].field; }

int ColumnOfField(PrgField field) {
  for (int c = 0; c < kPrgColumns; ++c)
    if (kColumns[c].field == field) return c;
  return 0;
}

const char* ColumnHeader(int column) { return kColumns[column].header; }
const char* ColumnExplanation(int column) { return kColumns[column].explanation; }

bool ColumnIsEditable(int column) {
  const PrgField f = FieldOfColumn(column);
  return f != PrgField::Bits && f != PrgField::Channels && f != PrgField::Rate;
}

bool PrgRow::Empty() const {
  return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

std::string SampleFileName(const std::string& wavDirectory, const std::string& name) {
  return WithBackslash(wavDirectory) + name + ".WAV";
}

PrgLine LineOfRow(const PrgRow& row) {
  Present present;
  PrgLine line = ReadRow(row, present);
  FitsEarlierFields(PrgField::LoopStart, line);
  FitsEarlierFields(PrgField::LoopEnd, line);
  return line;
}

PrgRow RowOfLine(const PrgLine& line) {
  PrgRow row;
  for (int f = 0; f < kPrgFieldCount; ++f) row.Cell(PrgField(f)) = PrgFieldText(line, PrgField(f));
  return row;
}

PrgDocumentLoad LoadPrgDocument(const std::string& path, const std::string& wavDirectory) {
  PrgDocumentLoad load;
  std::ifstream in(platform::NativePath(path), std::ios::binary);
  if (!in) {
    load.message = "Can't open PRG file!";
    return load;
  }
  PrgDocument& document = load.document;
  std::vector<std::string> comments;
  std::string text;
  while (std::getline(in, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty()) continue;
    if (IsComment(text)) {
      comments.push_back(text);
      continue;
    }
    PrgRow row;
    bool cancelled = false;
    load.message = ReadDefinition(text, wavDirectory, row, cancelled);
    if (cancelled || !load.message.empty()) return load;
    row.comments = std::move(comments);
    comments.clear();
    document.rows.push_back(std::move(row));
  }
  if (document.rows.empty()) {
    document.rows.emplace_back();
    document.rows.back().comments = std::move(comments);
  } else {
    document.trailingComments = std::move(comments);
  }
  load.loaded = true;
  return load;
}

CellEdit EditCell(const PrgRow& row, int column, const std::string& typed,
                  const std::string& wavDirectory) {
  CellEdit edit{"", row};
  if (!ColumnIsEditable(column)) return edit;
  const PrgField field = FieldOfColumn(column);
  const std::string text = Trimmed(typed);

  if (field == PrgField::WavFile) {
    std::string name;
    std::optional<TWAVheader> header;
    edit.message = SampleProblem(text, wavDirectory, name, header);
    if (!edit.message.empty()) return edit;
    edit.row.Cell(PrgField::WavFile) = name;
    edit.row.Cell(PrgField::Bits) = std::to_string(header->BitsPerSample);
    edit.row.Cell(PrgField::Channels) = std::to_string(header->Channels);
    edit.row.Cell(PrgField::Rate) = std::to_string(header->SampleRate);
    return edit;
  }

  if (text.empty()) {
    edit.message = ReadingMessage(field);
    return edit;
  }
  Present present;
  PrgLine line = ReadRow(row, present);
  if (!ReadPrgField(field, text, NumberReading::Rounded, line)) {
    edit.message = IllegalMessage(field, text);
    return edit;
  }
  present.set(int(field));
  PrgRow& out = edit.row;
  out.cells[column] = PrgFieldText(line, field);
  const bool loopField = field == PrgField::LoopStart || field == PrgField::LoopEnd;
  if (loopField && (field == PrgField::LoopStart ? line.loopStart : line.loopEnd) < 0) {
    line.loopStart = line.loopEnd = -1;
    present.set(int(PrgField::LoopStart)).set(int(PrgField::LoopEnd));
    out.Cell(PrgField::LoopStart) = out.Cell(PrgField::LoopEnd) = "-1";
  } else if (field == PrgField::LoopStart && present.test(int(PrgField::LoopEnd)) &&
             line.loopEnd >= 0 && line.loopEnd < line.loopStart) {
    // The loop end comes along with a loop start moved past it.
    line.loopEnd = line.loopStart;
    out.Cell(PrgField::LoopEnd) = out.Cell(PrgField::LoopStart);
  }
  if (const std::optional<PrgField> broken = BrokenRule(line, present)) {
    edit.message =
        *broken == PrgField::ReleaseSlope ? kLoopedReleaseMessage : IllegalMessage(field, text);
    edit.row = row;
  }
  return edit;
}

bool CopyAllowed(int column) {
  const PrgField f = FieldOfColumn(column);
  return ColumnIsEditable(column) && f != PrgField::KeyRange && f != PrgField::BaseKey;
}

std::vector<size_t> CopyTargetRows(const PrgDocument& document, size_t row, CopyTargets targets) {
  std::vector<size_t> rows;
  const PrgRow& selected = document.rows[row];
  PrgLine range;
  const bool hasRange =
      ReadPrgField(PrgField::KeyRange, selected.Cell(PrgField::KeyRange), NumberReading::Exact, range);
  for (size_t r = 0; r < document.rows.size(); ++r) {
    if (r == row) continue;
    const PrgRow& other = document.rows[r];
    bool take = false;
    switch (targets) {
      case CopyTargets::All: take = true; break;
      case CopyTargets::SameBaseKey:
        take = other.Cell(PrgField::BaseKey) == selected.Cell(PrgField::BaseKey);
        break;
      case CopyTargets::SameKey: {
        PrgLine theirs;
        take = hasRange &&
               ReadPrgField(PrgField::KeyRange, other.Cell(PrgField::KeyRange), NumberReading::Exact,
                            theirs) &&
               theirs.keyLow <= range.keyHigh && range.keyLow <= theirs.keyHigh;
        break;
      }
    }
    if (take) rows.push_back(r);
  }
  return rows;
}

std::string CopyCell(PrgDocument& document, size_t row, int column, CopyTargets targets,
                     const std::string& wavDirectory) {
  if (!CopyAllowed(column)) return "";
  const std::string text = document.rows[row].cells[column];
  std::vector<std::pair<size_t, PrgRow>> changed;
  for (size_t r : CopyTargetRows(document, row, targets)) {
    CellEdit edit = EditCell(document.rows[r], column, text, wavDirectory);
    if (!edit.message.empty())
      return "Key range " + document.rows[r].Cell(PrgField::KeyRange) + ". " + edit.message;
    changed.emplace_back(r, std::move(edit.row));
  }
  for (auto& [r, newRow] : changed) document.rows[r] = std::move(newRow);
  return "";
}

bool ImportAllowed(int column) {
  const PrgField f = FieldOfColumn(column);
  return f >= PrgField::AttackLength && f <= PrgField::LoopEnd;
}

std::optional<std::string> ImportedText(int column, double start, double end, bool fromMs,
                                        double framesPerMs, std::string& message) {
  if (!ImportAllowed(column)) return std::nullopt;
  if (end < start) {
    message = "Invalid WAView range!";
    return std::nullopt;
  }
  const PrgField f = FieldOfColumn(column);
  // Kept within what a cell can hold, so that the cell's own check has the last word.
  auto whole = [](double v) {
    return std::to_string(int64_t(std::clamp(v, double(INT32_MIN) - 1, double(INT32_MAX) + 1)));
  };
  if (f == PrgField::AttackLength || f == PrgField::DecayLength)
    return whole(std::round(fromMs ? end - start : (end - start) / framesPerMs));
  const double position = f == PrgField::StartSample || f == PrgField::LoopStart ? start : end;
  return whole(std::trunc(fromMs ? position * framesPerMs : position));
}

std::optional<IncompleteCell> FirstIncompleteCell(const PrgDocument& document) {
  for (size_t r = 0; r < document.rows.size(); ++r) {
    const PrgRow& row = document.rows[r];
    if (row.Empty()) continue;
    for (int c = 0; c < kPrgColumns; ++c) {
      if (!row.cells[c].empty()) continue;
      const PrgField field = FieldOfColumn(c);
      std::string message =
          field == PrgField::WavFile ? SampleNameMessage("") : ReadingMessage(field);
      if (field != PrgField::KeyRange)
        message = "Key range " + row.Cell(PrgField::KeyRange) + ". " + message;
      return IncompleteCell{r, c, message};
    }
  }
  return std::nullopt;
}

std::string FormatPrgDocument(const PrgDocument& document) {
  std::string out;
  for (const PrgRow& row : document.rows) {
    for (const std::string& c : row.comments) out += CommentLine(c) + "\r\n";
    if (!row.Empty()) out += FormatPrgLine(LineOfRow(row)) + "\r\n";
  }
  for (const std::string& c : document.trailingComments) out += CommentLine(c) + "\r\n";
  return out;
}

std::optional<Problem> SavePrgDocument(const std::string& path, const PrgDocument& document) {
  Problem problem;
  if (WriteFileAtomically(path, FormatPrgDocument(document), true, &problem) ==
      AtomicWrite::Written)
    return std::nullopt;
  problem.message = "Can't write PRG file!";
  problem.file = path;
  problem.boxText.clear();
  return problem;
}

}  // namespace tonemill
