#include "rendering.h"

#include "terminal.h"
#include "tonemill/files/numbers.h"
#include "tonemill/render/renderdisplay.h"

#include <initializer_list>

namespace tonemill::cli {
namespace {

struct PumpState {
  SongProgress* progress;
  ProgressBar* bar;
};

// The library's pump: turns a signal into a cancel and redraws the progress bar with what the
// render progress dialog shows.
void RenderPump(void* context) {
  auto* state = static_cast<PumpState*>(context);
  SongProgress& p = *state->progress;
  if (InterruptRequested() && !p.counters.Cancelled()) p.counters.Cancel();
  const RenderDisplay d = DisplayOf(p);
  std::string text = d.lineText;
  if (p.counters.Cancelled()) {
    text += " Cancelling";
  } else if (d.allocating) {
    text += " Allocating";
  } else {
    text.append(" Rendering ").append(d.instrument).append(" ").append(d.baseNote);
    if (!d.currentNote.empty()) text.append(" ").append(d.currentNote);
  }
  state->bar->Show(p.counters, text);
}

bool ParseChoice(const std::string& text, std::initializer_list<int> allowed, int32_t& value) {
  std::optional<int> v = ParseInteger(text);
  if (!v) return false;
  for (int a : allowed)
    if (*v == a) {
      value = a;
      return true;
    }
  return false;
}

}  // namespace

void FormatOptions::Register(OptionParser& parser) {
  parser.Value("rate", 0, &rate, "HZ", "11025, 22050 or 44100 (default 44100)");
  parser.Value("bits", 0, &bits, "N", "8 or 16 bits per sample (default 16)");
  parser.Value("channels", 0, &channels, "N", "1 (mono) or 2 (stereo, default)");
  parser.Value("volume", 0, &volume, "V", "volume factor 0-99 (default 1.0)");
}

bool FormatOptions::Apply(SongFormat& format, std::string& error) const {
  if (!ParseChoice(rate, {11025, 22050, 44100}, format.rate) ||
      !ParseChoice(bits, {8, 16}, format.bits) || !ParseChoice(channels, {1, 2}, format.channels)) {
    error = "--rate takes 11025, 22050 or 44100, --bits 8 or 16, --channels 1 or 2";
    return false;
  }
  const std::optional<Real48> v = ops::ParseVolume(volume);
  if (!v) {
    error = std::string("--volume: ") + ops::kIllegalVolumeMessage + " (a real from 0 to 99)";
    return false;
  }
  format.volume = *v;
  return true;
}

int RenderWithProgress(const ops::RenderRequest& request, bool showProgress) {
  InstallInterruptHandler();
  SongProgress progress;
  ProgressBar bar(showProgress && ProgressBar::StderrIsTerminal());
  PumpState state{&progress, &bar};
  const ops::RenderOutcome outcome = ops::RenderSong(request, progress, RenderPump, &state);
  bar.Clear();
  switch (outcome.end) {
    case ops::RenderOutcome::End::Done: return kExitOk;
    case ops::RenderOutcome::End::Cancelled:
      PrintProblem(outcome.problem);
      return CancelledExitCode();
    case ops::RenderOutcome::End::Failed: break;
  }
  PrintProblem(outcome.problem);
  return kExitFailure;
}

}  // namespace tonemill::cli
