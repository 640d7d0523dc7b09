#include "playback.h"

#include "songchecks.h"
#include "songjob.h"
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

namespace {

// Play shows nothing between the steps; its render runs with the caller's progress and pump.
class PlaybackFront : public SongJobFront {
 public:
  PlaybackFront(SongProgress& progress, platform::PumpFunction pump, void* context)
      : progress_(progress), pump_(pump), context_(context) {}
  JobOutcome Render(const RenderRequest&, const RenderStep& step) override {
    return step(progress_, pump_, context_, nullptr);
  }

 private:
  SongProgress& progress_;
  platform::PumpFunction pump_;
  void* context_;
};

}  // namespace

PlaybackEnd RenderForPlaying(const PlaybackRender& job, SongProgress& progress,
                             platform::PumpFunction pump, void* pumpContext, std::string& wav,
                             Problem& problem) {
  const std::string base = WithBackslash(job.scratchDirectory) + "play";
  wav = base + ".wav";
  SongJob song;
  song.paths = {job.mid, base + ".lst", wav};
  song.prgDirectory = job.prgDirectory;
  song.wavDirectory = job.wavDirectory;
  song.dftDirectory = job.dftDirectory;
  song.drums = {{-1, 10}};
  song.format = PlaybackFormat();
  song.keepList = ListKeeping::Never;
  song.listOverwrite = Overwrite::Replace;
  song.songOverwrite = Overwrite::Replace;
  PlaybackFront front(progress, pump, pumpContext);
  const SongJobOutcome outcome = song.Run(front);
  if (outcome.end == SongJobOutcome::End::Done) return PlaybackEnd::Ready;
  if (outcome.end == SongJobOutcome::End::Cancelled) return PlaybackEnd::Cancelled;
  problem = outcome.step == SongJobOutcome::Step::Render ? outcome.render.problem
                                                         : outcome.problem.value_or(Problem());
  return PlaybackEnd::Failed;
}

}  // namespace tonemill::ops
