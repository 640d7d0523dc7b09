// tonemill lst2wav SONG.lst [-o OUT.wav] [--wav-dir DIR] [--rate R] [--bits B] [--channels C]
//                  [--volume V] [--force] [--quiet]
#include "commands.h"
#include "options.h"
#include "terminal.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/paths.h"
#include "tonemill/render/lstlines.h"
#include "tonemill/render/renderstatus.h"
#include "tonemill/render/songrender.h"

#include <filesystem>
#include <system_error>

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

bool SamePath(const std::string& a, const std::string& b) {
  std::error_code ec;
  auto ca = std::filesystem::weakly_canonical(a, ec);
  auto cb = std::filesystem::weakly_canonical(b, ec);
  return ca == cb;
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

int RunLst2Wav(int argc, char** argv) {
  std::string output, wavDir, rate = "44100", bits = "16", channels = "2", volume = "1.0";
  bool force = false, quiet = false;
  OptionParser parser("lst2wav", "SONG.lst [options]",
                      "Renders an LST song list into a WAV song with the WAV samples it names.");
  parser.Value("output", 'o', &output, "OUT.wav", "output file (default: SONG.wav beside SONG.lst)");
  parser.Value("wav-dir", 0, &wavDir, "DIR", "directory of the WAV samples (default: current)");
  parser.Value("rate", 0, &rate, "HZ", "11025, 22050 or 44100 (default 44100)");
  parser.Value("bits", 0, &bits, "N", "8 or 16 bits per sample (default 16)");
  parser.Value("channels", 0, &channels, "N", "1 (mono) or 2 (stereo, default)");
  parser.Value("volume", 0, &volume, "V", "volume factor 0-99 (default 1.0)");
  parser.Flag("force", 0, &force, "overwrite an existing output file");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");

  SongRenderJob job;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "lst2wav", "LST file", job.lstPath, exitCode))
    return exitCode;
  if (!ParseChoice(rate, {11025, 22050, 44100}, job.rate) ||
      !ParseChoice(bits, {8, 16}, job.bits) || !ParseChoice(channels, {1, 2}, job.channels)) {
    PrintError("lst2wav: --rate takes 11025, 22050 or 44100, --bits 8 or 16, --channels 1 or 2");
    return kExitUsage;
  }
  if (!IsRealInRange(volume, true, true, 0, 99)) {
    PrintError("lst2wav: --volume takes a real from 0 to 99");
    return kExitUsage;
  }
  job.volume = Real48::FromDouble(*ParseReal(volume));
  job.wavPath = output.empty() ? StripExtension(job.lstPath) + ".wav" : output;
  job.sampleDirectory = wavDir;

  std::error_code ec;
  if (SamePath(job.lstPath, job.wavPath)) {
    PrintError("WAV can't overwrite LST!");
    return kExitFailure;
  }
  if (std::filesystem::exists(job.wavPath, ec) && !force) {
    PrintError("Existing file " + job.wavPath + " will be overwritten! (not done: use --force)");
    return kExitFailure;
  }

  InstallInterruptHandler();
  SongProgress progress;
  ProgressBar bar(!quiet && ProgressBar::StderrIsTerminal());
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
      where += ":" + std::to_string(fileLine);
    PrintError(where + ": " + RenderStatusMessage(result.status, job.lstPath, job.wavPath));
    return kExitFailure;
  }
  if (state.cancelled) {
    PrintError("lst2wav: aborted; " + job.wavPath + " holds the song as far as it got");
    return kExitCancelled;
  }
  return kExitOk;
}

}  // namespace tonemill::cli
