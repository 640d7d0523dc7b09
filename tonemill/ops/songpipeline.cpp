#include "songpipeline.h"

#include "dftconvert.h"
#include "inputs.h"
#include "targets.h"
#include "platform/messages.h"
#include "tonemill/render/lstlines.h"
#include "tonemill/render/makewavs.h"
#include "tonemill/render/provisioning.h"
#include "tonemill/render/renderstatus.h"

#include <cerrno>
#include <cstdio>

namespace tonemill::ops {
namespace {

constexpr int32_t kDiskFull = 3;
constexpr int32_t kCantCreateOutput = 30;
constexpr int32_t kCantOpenList = 29;

}  // namespace

std::optional<Problem> ConvertSong(const std::string& mid, const std::string& lst,
                                   const std::string& prgDirectory,
                                   const std::vector<DrumPair>& drums, ConvertedList& converted) {
  OutputJob job;
  job.target = lst;
  if (std::optional<JobOutcome> refused = PrepareOutput(job)) return ProblemOf(*refused);
  Progress progress;
  const JobOutcome outcome = RunOutputJob(
      job, progress,
      [&](const std::string& temporaryPath, Progress&) {
        converted.result = MIDtoLST(mid, temporaryPath, prgDirectory, drums);
        if (converted.result.written) return WorkResult::Done();
        return WorkResult::Failure(Problem(converted.result.message, mid));
      },
      &converted.file);
  if (std::optional<Problem> problem = ProblemOf(outcome)) return problem;
  if (std::optional<Problem> clash = OutputIsAnyInput(lst, converted.result.prgFiles)) {
    converted.file.Discard();
    return clash;
  }
  return std::nullopt;
}

std::vector<std::string> SampleFilesOf(const std::string& lstPath, const std::string& wavDirectory,
                                       const std::string& dftDirectory) {
  std::vector<std::string> files;
  for (const SampleState& s : ScanSamples(lstPath, wavDirectory, dftDirectory).samples) {
    files.push_back(s.wavPath);
    if (s.source == SampleState::Source::Dft) files.push_back(s.dftPath);
  }
  return files;
}

std::optional<Problem> CheckSongHasNotes(const MidToLstResult& result, const std::string& mid) {
  if (result.notes == 0) return Problem("The song has no notes; nothing to render", mid);
  if (result.songLength == 0) return Problem("All notes of the song fall at 0 ms; nothing to render", mid);
  return std::nullopt;
}

std::optional<Problem> CheckSamples(const std::string& lstPath, const std::string& listName,
                                    const std::string& wavDirectory,
                                    const std::string& dftDirectory, const std::string& output,
                                    SampleMaking* making) {
  const auto goOn = [](const SampleState& s) {
    return platform::Show({platform::MessageKind::Error, platform::Buttons::OkAbort,
                           platform::Topic::ContinueAfter, MissingSampleMessage(s.name)}) !=
           platform::Answer::Abort;
  };
  const ProvisioningScan scan = ScanSamples(lstPath, wavDirectory, dftDirectory, listName, goOn);
  if (scan.aborted) return Problem(kSamplesMissingMessage);
  if (scan.problem) return scan.problem;
  bool missing = false, toMake = false;
  SampleList list(wavDirectory, dftDirectory);
  for (const SampleState& s : scan.samples) {
    if (auto clash = OutputIsInput(output, s.wavPath, "Can't overwrite source file!")) return clash;
    if (s.source == SampleState::Source::Dft)
      if (auto clash = OutputIsInput(output, s.dftPath, "Can't overwrite source file!")) return clash;
    missing = missing || s.source == SampleState::Source::Missing;
    toMake = toMake || s.source == SampleState::Source::Dft;
    if (SampleRow* row = list.Add(s.name)) row->make = s.source == SampleState::Source::Dft;
  }
  if (missing) return Problem(kSamplesMissingMessage);
  if (!toMake) return std::nullopt;

  SampleMaking local;
  SampleMaking& m = making ? *making : local;
  const MakeOutcome outcome = m.make ? m.make(list, m.progress)
                                     : MakeSamples(list, m.progress, DftSampleConversion());
  for (size_t row : outcome.made)
    if (SampleWavIsValid(list.Rows()[row].wavPath)) m.made.push_back(list.Rows()[row].wavPath);
  if (outcome.cancelled) {
    m.cancelled = true;
    return Problem("Cancelled while the WAV samples were being made; nothing was rendered");
  }
  // Abort, a failed conversion or a refused overwrite leave a sample the render cannot read.
  std::string unusable;
  for (const SampleRow& row : list.Rows())
    if (!SampleWavIsValid(row.wavPath)) unusable += (unusable.empty() ? "" : ", ") + row.wavPath;
  if (!unusable.empty())
    return Problem(kSamplesMissingMessage, "", 0, "no valid WAV file: " + unusable);
  return std::nullopt;
}

Problem RenderStatusProblem(int32_t status, const RenderRequest& r, int32_t lineCount) {
  const std::string message = RenderStatusMessage(status, r.listName, r.wavPath);
  if (status == kDiskFull || status == kCantCreateOutput) return Problem(message, r.wavPath);
  if (status == kCantOpenList) {
    Problem p(message, r.listName);
    p.reason = UnreadableReason(r.lstPath);
    return p;
  }
  const int64_t line = FileLineOfCount(r.lstPath, lineCount);
  return Problem(message, r.listName, line > 0 ? line : 0);
}

JobOutcome RenderSong(const RenderRequest& request, SongProgress& progress,
                      platform::PumpFunction pump, void* pumpContext, SongRenderResult* library) {
  OutputJob job;
  job.target = request.wavPath;
  job.overwrite = request.overwrite;
  job.container = request.container;
  job.quality = request.quality;
  job.resample = request.resample;
  job.loudness = request.loudness;
  job.gainDb = request.gainDb;
  if (std::optional<JobOutcome> refused = PrepareOutput(job)) return *refused;
  const OutputWork work = [&](const std::string& temporaryPath, Progress&) {
    const SongRenderJob render{request.lstPath, temporaryPath, request.sampleDirectory,
                               request.format};
    const SongRenderResult result = RenderSongList(render, progress, pump, pumpContext);
    if (library) *library = result;
    switch (result.binding) {
      case SongRenderResult::Binding::LoadFailed:
        return WorkResult::Failure(Problem(platform::LoadErrorMessage("RESONA.DLL")));
      case SongRenderResult::Binding::ExportMissing:
        return WorkResult::Failure(Problem(platform::MissingExportMessage("RESONA.DLL", 5)));
      case SongRenderResult::Binding::Called: break;
    }
    if (result.status != 0)
      return WorkResult::Failure(RenderStatusProblem(result.status, request, progress.line()));
    if (!progress.counters.Cancelled()) return WorkResult::Done();
    const int32_t reached = progress.counters.DoneAtCancel();
    const std::string line = std::to_string(FileLineOfCount(request.lstPath, reached));
    return WorkResult{
        WorkResult::End::Cancelled,
        Problem("Cancelled at line " + line + " of " + request.listName + " (" +
                    std::to_string(reached) + " of " + std::to_string(progress.lines()) +
                    " lines rendered): the song has its full length and holds the instruments "
                    "rendered before that line",
                request.wavPath),
        false};
  };
  if (!request.privateOutput) return RunOutputJob(job, progress.counters, work);
  OutputFile song;
  JobOutcome outcome = RunOutputJob(job, progress.counters, work, &song);
  if (song.IsOpen()) {
    if (::rename(song.Path().c_str(), request.wavPath.c_str()) == 0) {
      outcome.kept = true;
    } else {
      const int error = errno;
      outcome.end = JobOutcome::End::Failed;
      outcome.problem = Problem("Can't write file " + request.wavPath + "!", request.wavPath, 0,
                                SystemReason(error));
    }
    song.Discard();  // its lock; the name is gone
  }
  return outcome;
}

}  // namespace tonemill::ops
