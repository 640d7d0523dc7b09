#include "playback.h"

#include "songchecks.h"
#include "songpipeline.h"
#include "tonemill/files/paths.h"

namespace tonemill::ops {

SongFormat PlaybackFormat() {
  SongFormat format;
  format.rate = 22050;
  format.bits = 16;
  format.channels = 2;
  format.volume = Real48::FromDouble(1.0);
  return format;
}

PlaybackEnd RenderForPlaying(const PlaybackRender& job, SongProgress& progress,
                             platform::PumpFunction pump, void* pumpContext, std::string& wav,
                             Problem& problem) {
  const std::string base = WithBackslash(job.scratchDirectory) + "play";
  const std::string lst = base + ".lst";
  wav = base + ".wav";
  if (std::optional<Problem> p = CheckMidiFile(job.mid)) {
    problem = *p;
    return PlaybackEnd::Failed;
  }
  ConvertedList converted;
  const std::vector<DrumPair> drums{{-1, 10}};
  std::optional<Problem> p = ConvertSong(job.mid, lst, job.prgDirectory, drums, converted);
  const SongFormat format = PlaybackFormat();
  if (!p) p = CheckSongHasNotes(converted.result, job.mid);
  if (!p) p = CheckSongLength(converted.result.songLength, format, job.mid);
  if (!p) p = CheckSamples(converted.file.Path(), lst, job.wavDirectory, job.dftDirectory, wav);
  if (p) {
    problem = *p;
    return PlaybackEnd::Failed;
  }
  const RenderRequest request{converted.file.Path(), lst, wav, job.wavDirectory, format,
                              Overwrite::Replace};
  const JobOutcome outcome = RenderSong(request, progress, pump, pumpContext);
  if (outcome.end == JobOutcome::End::Done) return PlaybackEnd::Ready;
  if (outcome.end == JobOutcome::End::Cancelled) return PlaybackEnd::Cancelled;
  problem = outcome.problem;
  return PlaybackEnd::Failed;
}

}  // namespace tonemill::ops
