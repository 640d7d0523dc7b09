// The song job: a MIDI file through its song list and the sample check to the WAV song — the
// one sequence the command line, the render dialogs and Play run; a song list given as it is
// starts at the sample check (lst2wav, the Convert dialog's LST to WAV). A front
// end gives the parameters and a SongJobFront for what it shows between the steps (the
// hourglass, the making of samples, the render's progress, a cancel); it never runs the steps
// itself.
#pragma once

#include "songchecks.h"
#include "songpipeline.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/midi/midedit.h"
#include "tonemill/midi/midtolst.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tonemill::ops {

// How far the job goes: the list alone, the list and its samples, or the song.
enum class SongJobGoal { List, Samples, Song };

// When the converted list is put under its name.
enum class ListKeeping {
  AfterConversion,  // at once; the steps after it read it under its name
  AtEnd,            // after the render, whatever it did; the steps read the job's own copy, so a
                    // list replaced meanwhile by another job cannot mix into this one
  Never,            // a scratch list, dropped with the job
};

// The render with the front end's progress display: the job's step, run with a progress the
// library writes and the pump it calls; `library`, when given, gets whether the library was
// bound and called, and what it returned.
using RenderStep = std::function<JobOutcome(SongProgress&, platform::PumpFunction, void*,
                                            SongRenderResult* library)>;

// What a front end does between the steps. The defaults show nothing and make samples at once.
class SongJobFront {
 public:
  virtual ~SongJobFront() = default;
  // Asked before the sample check and before the render: a cancel there stops the job.
  virtual bool CancelRequested() { return false; }
  // Around the conversion and its checks, and around the sample check: the hourglass.
  virtual void Busy(bool /*on*/) {}
  // Runs `check`, the sample check, after setting up how `making` makes samples (its pump, a
  // list the user confirms first) and with the front end's questions.
  virtual std::optional<Problem> CheckSamples(SampleMaking& /*making*/,
                                              const std::function<std::optional<Problem>()>& check) {
    return check();
  }
  // Runs `step` for `request`, showing its progress.
  virtual JobOutcome Render(const RenderRequest& /*request*/, const RenderStep& step) {
    SongProgress progress;
    return step(progress, nullptr, nullptr, nullptr);
  }
};

struct SongJobOutcome {
  enum class End {
    Done,      // the goal was reached
    Refused,   // before anything was written: a check failed or a question was declined
    Failed,    // a step failed; `problem` says why
    Cancelled  // the user stopped it (the render's cancel comes in `render`)
  };
  // The step that ended the job; front ends show a step's problems in their own way.
  enum class Step { Checks, Conversion, Song, Samples, Render, Done };
  End end = End::Failed;
  Step step = Step::Checks;
  // Why it ended; none after a declined question or a plain cancel. A problem about a stem's
  // soloed copy names no file (the copy is the job's scratch): it is about the song.
  std::optional<Problem> problem;
  // The sample check ended with the user's Cancel in the making.
  bool samplesCancelled = false;
  // With ListKeeping::AtEnd: the list could not be put into place.
  std::optional<Problem> listProblem;
  // When the render ran (step Render): what it came to.
  JobOutcome render;
};

struct SongJob {
  SongPaths paths;  // the song (wav) is empty when the job stops before the render
  // The list `paths.lst` is the input, read as it is: no MIDI file, no conversion, and the
  // checks are the list's ("Can't open LST file X!", "WAV can't overwrite LST!"). The goal is
  // then Samples or Song.
  bool fromList = false;
  // Off where the front end has checked the samples itself (the sample player's one note).
  bool checkSamples = true;
  std::string prgDirectory, wavDirectory, dftDirectory;
  std::vector<DrumPair> drums;
  SongFormat format;
  // The song's container: rendered as WAV, then encoded (a container that cannot hold the
  // format refuses the job before anything runs).
  Container container = Container::Wav;
  // The song's loudness gain (see RenderRequest): the outcome's `render.gainDb` is what it was.
  std::optional<LoudnessTarget> loudness;
  std::optional<double> gainDb;
  std::optional<double> quality;  // the lossy encoder's, 0 to 10 (none: its default)
  // A rate the container's encoder refuses is converted to the nearest it takes, instead of
  // refusing the job.
  bool resample = false;
  SongJobGoal goal = SongJobGoal::Song;
  ListKeeping keepList = ListKeeping::AfterConversion;
  // Whether an existing list or song may be replaced: empty asks the overwrite question (a
  // declined one refuses the job); a value is the front end's own answer.
  std::optional<Overwrite> listOverwrite, songOverwrite;
  // A stem: the song with only this pair's notes sounding, soloed into a temporary copy beside
  // `soloScratch`. A stem whose notes all fall at 0 ms is still rendered (the shortest song the
  // renderer takes), so that every pair has its file.
  std::optional<TrackChannel> stem;
  std::string soloScratch;
  // The list and the song go into a directory of the front end's own that holds nothing else
  // (a program's scratch, removed after the job): no input can be there under any name, so the
  // checks of the outputs against the inputs and of the targets' kinds are not made.
  bool privateOutputs = false;

  // The checks (the MIDI file, the paths' clashes, writable targets), the overwrite questions,
  // the conversion, the song's notes and length, the sample check, the render — each as far as
  // the goal asks.
  SongJobOutcome Run(SongJobFront& front) const;
};

}  // namespace tonemill::ops
