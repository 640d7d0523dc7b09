// Running an effect the way its dialog's OK button does, for the dialogs and the command line:
// the checks before work, then the output job with the library's export called once on its
// temporary file, the status turned into the dialog's message.
#pragma once

#include "tonemill/effects/effectarguments.h"
#include "platform/library.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/progress.h"
#include "tonemill/ops/keptmetadata.h"
#include "tonemill/ops/outputjob.h"

#include <optional>
#include <string>

namespace tonemill {

struct EffectJob {
  EffectKind kind = EffectKind::Echo;
  LaunchValues launch;     // input, output, unit, frames per ms, channels, selection
  EffectFields fields;
  std::string controlFile;  // the vocoder's
  bool normalize = false;   // the vocoder's "Prescan & normalize"
  // Every frame, whatever the selection says: a selection's end in milliseconds, converted back
  // with frames per ms, can truncate to the frame before the last one.
  bool wholeFile = false;
  Overwrite overwrite = Overwrite::Refuse;
  // The input's chunks and tags, where the output takes them (CarryMetadata).
  KeptMetadata keep;
  bool resample = false;  // a rate the output's encoder refuses is converted (OutputJob)
};

// Before any work: the output may be neither the input nor the control file ("Can't overwrite
// source file!") nor something other than a regular file; every value passes its field's check
// (CheckFields); the control file must be a valid WAV file ("Error reading control file
// NAME!") and the bands in use fit its rate and the carrier's (CheckBands).
std::optional<Problem> CheckEffectJob(const EffectJob& job);

// The effect's output job: CheckEffectJob, then the question "File X will be overwritten!". Its
// answer goes into the job's `overwrite`. Its checks read `job`, which outlives the output job.
ops::OutputJob EffectOutputJob(const EffectJob& job);

// Runs the effect through the output job, the output put into place as `job.overwrite` says.
// The vocoder's default band table is fitted to the rates first (FitDefaultBands), its warning
// shown through the message sink. An input that ends before its data chunk says ends the job
// as Incomplete ("Premature end of WAV file NAME"), as for the WAV operations.
// `progress` carries the library's counters (done = bytes processed, total = bytes of work).
ops::JobOutcome RunEffect(const EffectJob& job, Progress& progress, platform::PumpFunction pump,
                          void* pumpContext);

// The message for a status of an effect export: "Out of memory!" for 1 and "Internal error!"
// for unknown ones, as the dialogs have always shown, and messages of their own for the
// statuses of inputs the dialogs never passed.
std::string EffectStatusMessage(int32_t status, const EffectJob& job);

// A preview: the selection of `launch` cut to at most its first `seconds`, the output set to
// `output` (a file of the caller's), and the input's frames the cut selection covers,
// [firstFrame, endFrame).
struct PreviewRange {
  LaunchValues launch;
  int64_t firstFrame = 0, endFrame = 0;
};
PreviewRange PreviewOf(const LaunchValues& launch, const std::string& output, double seconds = 10);

// The same for an effect's job: a job that runs the effect over the cut selection into
// `output`, replaced without a question and carrying no chunks or tags; everything else is the
// job's, so the preview sounds as OK's run would.
struct EffectPreview {
  EffectJob job;
  int64_t firstFrame = 0, endFrame = 0;
};
EffectPreview PreviewOf(const EffectJob& job, const std::string& output, double seconds = 10);

// Where the effect's patch file lives: beside the settings file.
std::string PatchFilePath(EffectKind kind);

}  // namespace tonemill
