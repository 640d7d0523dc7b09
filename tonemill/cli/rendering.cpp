#include "rendering.h"

#include "terminal.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"
#include "tonemill/render/lstlines.h"
#include "tonemill/render/provisioning.h"
#include "tonemill/render/renderstatus.h"

#include <initializer_list>

namespace tonemill::cli {
namespace {

struct PumpState {
  SongProgress* progress;
  ProgressBar* bar;
  bool cancelled = false;
};

// The library's pump: turns Ctrl-C into a cancel and redraws the progress bar.
void RenderPump(void* context) {
  auto* state = static_cast<PumpState*>(context);
  SongProgress& p = *state->progress;
  if (InterruptRequested() && !state->cancelled) {
    p.line = p.lines;
    state->cancelled = true;
  }
  const int32_t lines = p.lines < 1 ? 1 : p.lines;
  std::string text = std::to_string(p.line) + "/" + std::to_string(lines);
  if (p.line <= 2) {
    text += " Allocating";
  } else {
    text.append(" Rendering ").append(p.instrument).append(" ").append(KeyName(p.baseNote));
    if (p.line > 4) text.append(" ").append(KeyName(p.currentNote));
  }
  state->bar->Show(double(p.line) / lines, text);
}

bool ParseChoice(const std::string& text, std::initializer_list<int> allowed, int& value) {
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

bool FormatOptions::Apply(SongRenderJob& job, std::string& error) const {
  if (!ParseChoice(rate, {11025, 22050, 44100}, job.rate) ||
      !ParseChoice(bits, {8, 16}, job.bits) || !ParseChoice(channels, {1, 2}, job.channels)) {
    error = "--rate takes 11025, 22050 or 44100, --bits 8 or 16, --channels 1 or 2";
    return false;
  }
  if (!IsRealInRange(volume, true, true, 0, 99)) {
    error = "--volume takes a real from 0 to 99";
    return false;
  }
  job.volume = Real48::FromDouble(*ParseReal(volume));
  return true;
}

// Every sample the list names must be there as a valid WAV file; all missing ones are listed.
bool SamplesPresent(const std::string& mid, const SongRenderJob& job,
                    const std::string& dftDirectory) {
  ProvisioningScan scan = ScanSamples(job.lstPath, job.sampleDirectory, dftDirectory);
  if (!scan.readable) {
    PrintError(scan.error);
    return false;
  }
  bool missing = false, fromDft = false;
  for (const SampleState& s : scan.samples) {
    if (s.source == SampleState::Source::Missing) {
      PrintError(mid + ": " + MissingSampleMessage(s.name));
      missing = true;
    } else if (s.source == SampleState::Source::Dft) {
      PrintError(mid + ": sample " + s.name + " is only there as " + s.dftPath +
                 "; making WAV samples from DFT files is not available yet");
      fromDft = true;
    }
  }
  if (missing) PrintError(mid + ": " + kSamplesMissingMessage);
  return !missing && !fromDft;
}

int RenderSongWithProgress(const SongRenderJob& job, bool showProgress) {
  InstallInterruptHandler();
  SongProgress progress;
  ProgressBar bar(showProgress && ProgressBar::StderrIsTerminal());
  PumpState state{&progress, &bar};
  SongRenderResult result = RenderSongList(job, progress, RenderPump, &state);
  bar.Clear();

  switch (result.binding) {
    case SongRenderResult::Binding::LoadFailed:
      PrintError(platform::LoadErrorMessage("RESONA.DLL"));
      return kExitFailure;
    case SongRenderResult::Binding::ExportMissing:
      PrintError(platform::MissingExportMessage("RESONA.DLL", 5));
      return kExitFailure;
    case SongRenderResult::Binding::Called: break;
  }
  if (result.status != 0) {
    std::string where = job.lstPath;
    if (int64_t fileLine = FileLineOfCount(job.lstPath, progress.line); fileLine > 0)
      where.append(":").append(std::to_string(fileLine));
    PrintError(where + ": " + RenderStatusMessage(result.status, job.lstPath, job.wavPath));
    return kExitFailure;
  }
  if (state.cancelled) {
    PrintError(job.wavPath + ": aborted; the file holds the song as far as it got");
    return kExitCancelled;
  }
  return kExitOk;
}

}  // namespace tonemill::cli
