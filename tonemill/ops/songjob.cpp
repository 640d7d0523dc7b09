#include "songjob.h"

#include "inputs.h"
#include "stems.h"
#include "targets.h"

namespace tonemill::ops {
namespace {

// The front end's hourglass over one stretch of steps, off on every path out.
class BusyScope {
 public:
  explicit BusyScope(SongJobFront& front) : front_(front) { front_.Busy(true); }
  ~BusyScope() { front_.Busy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  SongJobFront& front_;
};

SongJobOutcome::End EndOfRender(JobOutcome::End end) {
  switch (end) {
    case JobOutcome::End::Done: return SongJobOutcome::End::Done;
    case JobOutcome::End::Cancelled: return SongJobOutcome::End::Cancelled;
    case JobOutcome::End::Incomplete:
    case JobOutcome::End::Failed:
    case JobOutcome::End::Refused: break;
  }
  return SongJobOutcome::End::Failed;
}

}  // namespace

SongJobOutcome SongJob::Run(SongJobFront& front) const {
  using End = SongJobOutcome::End;
  using Step = SongJobOutcome::Step;
  SongJobOutcome outcome;
  const bool rendering = goal == SongJobGoal::Song;

  std::optional<Problem> problem;
  if (fromList) {
    problem = UnreadableInput(paths.lst, "Can't open LST file " + paths.lst + "!");
    if (!problem) problem = OutputIsInput(paths.wav, paths.lst, "WAV can't overwrite LST!");
  } else {
    problem = CheckMidiFile(paths.mid);
    if (!problem && !privateOutputs) problem = CheckSongPathClashes(paths);
    if (!problem && !privateOutputs) problem = UnwritableTarget(paths.lst);
  }
  const bool songToStream = IsStandardOutput(paths.wav) || IsNullDevice(paths.wav);
  if (!problem && !paths.wav.empty() && !songToStream && !privateOutputs)
    problem = UnwritableTarget(paths.wav);
  if (!problem && rendering)
    if (std::optional<std::string> limit = EncodingLimit(container, format.rate, format.bits))
      if (!resample || EncodingLimit(container, EncodableRate(container, format.rate), format.bits))
        problem = Problem(*limit, paths.wav);
  if (!problem && rendering && quality)
    if (std::optional<std::string> why = QualityProblem(container, *quality))
      problem = Problem(*why, paths.wav);
  const auto refuse = [&outcome](std::optional<Problem> why) {
    outcome.end = End::Refused;
    outcome.problem = std::move(why);
    return outcome;
  };
  if (problem) return refuse(problem);
  const std::optional<Overwrite> listReplace =
      fromList ? Overwrite::Refuse : listOverwrite ? listOverwrite : AskToOverwrite(paths.lst);
  if (!listReplace) return refuse(std::nullopt);
  std::optional<Overwrite> songReplace = Overwrite::Refuse;
  if (rendering && !songToStream &&
      !(songReplace = songOverwrite ? songOverwrite : AskToOverwrite(paths.wav)))
    return refuse(std::nullopt);

  OutputFile solo;
  ConvertedList converted;
  // Ends the job at `step`; the list kept at the end is put into place whatever came before.
  const auto finish = [&](End end, Step step, std::optional<Problem> why) {
    if (why && solo.IsOpen() && why->file == solo.Path()) why->file.clear();
    outcome.end = end;
    outcome.step = step;
    outcome.problem = std::move(why);
    if (Problem listProblem; keepList == ListKeeping::AtEnd && converted.file.IsOpen() &&
                             !converted.file.Commit(*listReplace, listProblem))
      outcome.listProblem = listProblem;
    return outcome;
  };

  if (!fromList) {
    BusyScope busy(front);
    if (stem) problem = SoloPairNotes(paths.mid, *stem, soloScratch, solo);
    if (!problem)
      problem = ConvertSong(stem ? solo.Path() : paths.mid, paths.lst, prgDirectory, drums, converted);
    // Nor may the song replace an instrument the conversion read, nor the list a sample the
    // later steps read: refused before the list is kept.
    if (!problem && rendering && !privateOutputs)
      if (std::optional<Problem> clash = OutputIsAnyInput(paths.wav, converted.result.prgFiles)) {
        converted.file.Discard();
        return finish(End::Refused, Step::Conversion, clash);
      }
    if (!problem && goal != SongJobGoal::List && !privateOutputs) {
      const std::vector<std::string> samples =
          SampleFilesOf(converted.file.Path(), wavDirectory, dftDirectory);
      std::optional<Problem> clash = OutputIsAnyInput(paths.lst, samples);
      if (!clash && rendering) clash = OutputIsAnyInput(paths.wav, samples);
      if (clash) {
        converted.file.Discard();
        return finish(End::Refused, Step::Conversion, clash);
      }
    }
    if (Problem commitProblem; !problem && keepList == ListKeeping::AfterConversion &&
                               !converted.file.Commit(*listReplace, commitProblem))
      problem = commitProblem;
    if (problem) return finish(End::Failed, Step::Conversion, problem);
    if (rendering) {
      if (!stem) problem = CheckSongHasNotes(converted.result, paths.mid);
      if (!problem) problem = CheckSongLength(converted.result.songLength, format, paths.mid);
      if (problem) return finish(End::Failed, Step::Song, problem);
    }
  }
  if (goal == SongJobGoal::List) return finish(End::Done, Step::Done, std::nullopt);

  // Until the list is in place the steps read the job's own copy; messages give its name.
  const std::string lstPath =
      fromList || keepList == ListKeeping::AfterConversion ? paths.lst : converted.file.Path();
  if (front.CancelRequested()) return finish(End::Cancelled, Step::Samples, std::nullopt);
  if (checkSamples) {
    SampleMaking making;
    BusyScope busy(front);
    problem = front.CheckSamples(making, [&] {
      return ops::CheckSamples(lstPath, paths.lst, wavDirectory, dftDirectory,
                               privateOutputs ? std::string() : paths.wav, &making);
    });
    outcome.samplesCancelled = making.cancelled;
    if (problem) return finish(End::Failed, Step::Samples, problem);
  }
  if (!rendering) return finish(End::Done, Step::Done, std::nullopt);

  if (front.CancelRequested()) return finish(End::Cancelled, Step::Render, std::nullopt);
  const RenderRequest request{lstPath, paths.lst,    paths.wav, wavDirectory,
                              format,  *songReplace, container, loudness, gainDb, quality,
                              resample, privateOutputs};
  outcome.render = front.Render(request, [&request](SongProgress& progress,
                                                    platform::PumpFunction pump, void* context,
                                                    SongRenderResult* library) {
    return RenderSong(request, progress, pump, context, library);
  });
  return finish(EndOfRender(outcome.render.end), Step::Render, std::nullopt);
}

}  // namespace tonemill::ops
