// The song pipeline's steps as the render dialog runs them, shared with the command line:
// MIDI file to song list, the sample check, song list to WAV song. Every output is written
// through an OutputFile, so a failed step leaves what existed before it.
#pragma once

#include "outputjob.h"
#include "songchecks.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/midi/midtolst.h"
#include "tonemill/render/makewavs.h"
#include "tonemill/render/songrender.h"

#include <functional>

#include <optional>
#include <string>
#include <vector>

namespace tonemill::ops {

// A converted song list, written but not yet in place: the render may read it from `file.Path()`
// before it is committed under its name.
struct ConvertedList {
  OutputFile file;
  MidToLstResult result;
};

// Converts the MIDI file into a temporary list beside `lst`, an output job whose result is held
// in `converted.file`. A failure comes back with the converter's message and the file it
// concerns; a list that would replace one of the PRG files read is dropped with "Can't
// overwrite source file!".
std::optional<Problem> ConvertSong(const std::string& mid, const std::string& lst,
                                   const std::string& prgDirectory,
                                   const std::vector<DrumPair>& drums, ConvertedList& converted);

// The sample files a job that renders `lstPath` reads: each sample's WAV file, and its DFT file
// where there is no valid WAV to read but the DFT can make one. The list itself is not read
// beyond its instrument fields; a list with a fault names none.
std::vector<std::string> SampleFilesOf(const std::string& lstPath, const std::string& wavDirectory,
                                       const std::string& dftDirectory);

// A converted song that has nothing to render: no notes, or all of them at 0 ms.
std::optional<Problem> CheckSongHasNotes(const MidToLstResult& result, const std::string& mid);

// What the sample check made on its way: the WAV samples it made from DFT files.
struct SampleMaking {
  // The front end's pump runs before each sample; a cancel stops after the current one.
  Progress progress;
  // How the marked samples are made: MakeSamples at once when empty. The desktop shows the
  // list in the Make WAVs dialog first, where the user may change the marks or cancel (which
  // comes back as a cancelled outcome).
  std::function<MakeOutcome(SampleList&, Progress&)> make;
  std::vector<std::string> made;  // the WAV files made, each now a valid WAV file
  bool cancelled = false;
};

// The sample check before a render: every sample the list (read from `lstPath`, reported as
// `listName`) names must be a valid WAV file in `wavDirectory`, or be made from its DFT file in
// `dftDirectory`. Each sample with neither is shown as "Fatal error: can't find either WAV or
// DFT for sample NAME!" with OK (go on) and Abort; any of them ends the check with "Sample
// file(s) missing. Aborting." before anything is made. Otherwise the samples there only as DFT
// are made (the overwrite question for an existing, invalid WAV file; each failure with OK and
// Abort), and every sample is probed again: one still without a valid WAV file ends the check
// with the same message, naming it. An `output` that is one of the samples is refused.
std::optional<Problem> CheckSamples(const std::string& lstPath, const std::string& listName,
                                    const std::string& wavDirectory,
                                    const std::string& dftDirectory,
                                    const std::string& output = "",
                                    SampleMaking* making = nullptr);

struct RenderRequest {
  std::string lstPath;   // the list the library reads
  std::string listName;  // the list's name in messages (its final name)
  std::string wavPath;   // the song to write
  std::string sampleDirectory;
  SongFormat format;
  Overwrite overwrite = Overwrite::Refuse;
  Container container = Container::Wav;  // the song's, encoded from the rendered WAV file
  // The loudness gain of the output job: to a target, or a fixed one (a stem takes its mix's).
  std::optional<LoudnessTarget> loudness = std::nullopt;
  std::optional<double> gainDb = std::nullopt;
  std::optional<double> quality = std::nullopt;  // the lossy encoder's, 0 to 10
  bool resample = false;  // a rate the encoder refuses is converted (OutputJob::resample)
  // The song goes into a directory of the front end's own, which reads it and removes it: it is
  // moved into place as it is, without the sync and the permissions of a file that is kept.
  bool privateOutput = false;
};

// Renders the list as an output job: into a temporary file beside the WAV song, put into place
// when the library returns 0 (also after a cancel, which comes back Cancelled with how far it
// got: the song then has its full length, with the instruments rendered before the cancel).
// A target that cannot be written is refused; every other problem fails the job. `pump` is the
// host's, called by the library; `library`, when given, gets whether the library was bound and
// called, and what it returned.
JobOutcome RenderSong(const RenderRequest& request, SongProgress& progress,
                      platform::PumpFunction pump, void* pumpContext,
                      SongRenderResult* library = nullptr);

// The problem for a library status: output faults name the song, list faults the list's line.
Problem RenderStatusProblem(int32_t status, const RenderRequest& request, int32_t lineCount);

}  // namespace tonemill::ops
