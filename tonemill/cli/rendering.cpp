#include "rendering.h"

#include "makewavs.h"
#include "terminal.h"
#include "tonemill/render/renderdisplay.h"


namespace tonemill::cli {
namespace {

// What the render progress dialog shows, on one line.
std::string DescribeRender(const SongProgress& p) {
  const RenderDisplay d = DisplayOf(p);
  std::string text = d.lineText;
  if (d.allocating) return text + " Allocating";
  text.append(" Rendering ").append(d.instrument).append(" ").append(d.baseNote);
  if (!d.currentNote.empty()) text.append(" ").append(d.currentNote);
  return text;
}

}  // namespace

void FormatOptions::Register(OptionParser& parser) {
  AudioFormatOptions::Register(parser);
  parser.Value("volume", 0, &volume, "V", "volume factor 0-99 (default 1.0)");
}

bool FormatOptions::Apply(SongFormat& format, std::string& error) const {
  if (!AudioFormatOptions::Apply(format, error)) return false;
  const std::optional<Real48> v = ops::ParseVolume(volume);
  if (!v) {
    error = std::string("--volume: ") + ops::kIllegalVolumeMessage + " (a real from 0 to 99)";
    return false;
  }
  format.volume = *v;
  return true;
}

ops::JobOutcome RenderWithBar(const ops::RenderStep& step, bool showProgress) {
  SongProgress progress;
  ProgressPump pump(progress.counters, showProgress,
                    [&progress](const Progress&) { return DescribeRender(progress); });
  const ops::JobOutcome outcome = step(progress, ProgressPump::Call, &pump, nullptr);
  pump.Clear();
  return outcome;
}

bool CliSongFront::CancelRequested() { return InterruptRequested(); }

std::optional<Problem> CliSongFront::CheckSamples(
    ops::SampleMaking& making, const std::function<std::optional<Problem>()>& check) {
  return ProvideSamples(messages_, making, check);
}

ops::JobOutcome CliSongFront::Render(const ops::RenderRequest&, const ops::RenderStep& step) {
  return RenderWithBar(step, progress_);
}

}  // namespace tonemill::cli
