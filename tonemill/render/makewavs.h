// The Make WAVs list: the samples a song list or a set of PRG instruments names, each marked
// to be made from its DFT file ("Yes") or not ("No"), and the loop that makes the marked ones
// with the conversion it is handed. Questions and messages go through the platform messages
// layer.
#pragma once

#include "tonemill/files/outputfile.h"
#include "tonemill/files/problem.h"
#include "tonemill/files/progress.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tonemill {

struct SampleRow {
  bool make = false;    // the "Make" cell
  std::string name;     // as the song list writes it; upper case when taken from a PRG file
  std::string wavPath;  // found ignoring case, or the name the sample is made under
  std::string dftPath;
};

// The WAV directory (a separator added when missing) + name + ".WAV"; an existing file whose
// name differs only in case stands for it. The same with ".DFT".
std::string SampleWavPath(const std::string& wavDirectory, const std::string& name);
std::string SampleDftPath(const std::string& dftDirectory, const std::string& name);

class SampleList {
 public:
  SampleList(std::string wavDirectory, std::string dftDirectory)
      : wavDirectory_(std::move(wavDirectory)), dftDirectory_(std::move(dftDirectory)) {}

  // Adds a row (marked "No") unless the sample is listed. Names that differ only in case are
  // one row: they are one file to the lookup, and two rows would make it twice. Returns the
  // new row, or nullptr.
  SampleRow* Add(const std::string& name);
  std::vector<SampleRow>& Rows() { return rows_; }
  const std::vector<SampleRow>& Rows() const { return rows_; }
  // A click on a "Make" cell.
  void Toggle(size_t row);

 private:
  std::string wavDirectory_, dftDirectory_;
  std::vector<SampleRow> rows_;
};

// The samples of PRG files (each looked up as PRG directory + name), added to `list` in file
// and line order: "Yes" where no WAV file exists. The first error ends the load with the
// system's message, as does a load that adds nothing ("No data entry found!").
std::optional<Problem> LoadPrgSamples(const std::vector<std::string>& prgNames,
                                      const std::string& prgDirectory, SampleList& list);

struct MakeOutcome {
  bool cancelled = false;    // the progress was cancelled: stopped after the current sample
  bool stopped = false;      // Abort was answered, or the library could not be loaded
  std::vector<size_t> made;  // the rows whose WAV file was made
};

// What making one sample's WAV file came to.
struct SampleMade {
  bool made = false;
  bool stopsAll = false;  // no sample can be made (the converter is unavailable)
  Problem problem;        // why it was not made
};

// Makes `row.wavPath` from `row.dftPath`; `overwrite` says whether an existing file is replaced.
using SampleConversion = std::function<SampleMade(const SampleRow& row, Overwrite overwrite)>;

// Makes the WAV file of every row marked "Yes" from its DFT file with `convert`. An existing WAV
// file is replaced only after "Overwrite existing file X?" was answered Yes or All (All: no more
// questions); No skips the row, Abort stops. A failed conversion shows its message with OK
// (go on) and Abort; one that stops all shows it as an error and stops. The progress counts
// rows; its pump runs before each row.
MakeOutcome MakeSamples(SampleList& list, Progress& progress, const SampleConversion& convert);

}  // namespace tonemill
