#include "rendering.h"

#include "makewavs.h"
#include "terminal.h"
#include "tonemill/files/numbers.h"
#include "tonemill/prg/prgtable.h"
#include "tonemill/render/renderdisplay.h"

#include <filesystem>

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

// A song may be mixed at any rate of this range, and in 24 bits or float besides 8 and 16.
constexpr int32_t kMinSongRate = 8000, kMaxSongRate = 192000;
constexpr int32_t kFloatSongBits = 32;  // what the library takes for float samples

void FormatOptions::Register(OptionParser& parser) {
  parser.Value("rate", 0, &rate, "HZ", "8000 to 192000 (default 44100)");
  parser.Value("bits", 0, &bits, "N", "8, 16, 24 or float bits per sample (default 16)");
  parser.Value("channels", 0, &channels, "N", "1 (mono) or 2 (stereo, default)");
  parser.Value("volume", 0, &volume, "V", "volume factor 0-99 (default 1.0)");
  parser.Value("format", 0, &container, "NAME",
               "the song's container: wav, flac, ogg, opus, mp3 or aiff (default: the output's "
               "extension, or wav)");
  parser.Value("quality", 0, &quality, "Q",
               "the lossy encoder's quality (ogg, opus, mp3): 0 smallest to 10 best (default: its own)");
  parser.Flag("resample", 0, &resample,
              "a rate the encoder refuses (Opus, MP3) is converted to the nearest it takes, after "
              "the render at --rate");
}

std::string FormatOptions::Extension() const {
  const std::optional<Container> named = ContainerNamed(container);
  return std::string(ExtensionOf(named.value_or(Container::Wav)));
}

bool FormatOptions::ChooseContainer(const std::string& target, Container& chosen,
                                    std::string& error) const {
  if (!container.empty()) {
    const std::optional<Container> named = FormatOptionContainer(container, error);
    if (!named) return false;
    chosen = *named;
    return true;
  }
  const std::optional<Container> byName =
      ops::IsStandardOutput(target) ? Container::Wav : ContainerOfName(target);
  if (!byName) {
    error = UnknownContainerMessage(target);
    return false;
  }
  chosen = *byName;
  return true;
}

bool FormatOptions::Apply(SongFormat& format, std::string& error) const {
  const std::optional<int> r = ParseInteger(rate), b = ParseInteger(bits),
                           c = ParseInteger(channels);
  const bool isFloat = bits == "float";
  const bool bitsOk = isFloat || (b && (*b == 8 || *b == 16 || *b == 24));
  if (!r || *r < kMinSongRate || *r > kMaxSongRate || !bitsOk || !c || (*c != 1 && *c != 2)) {
    error = "--rate takes 8000 to 192000, --bits 8, 16, 24 or float, --channels 1 or 2";
    return false;
  }
  format.rate = *r;
  format.bits = isFloat ? kFloatSongBits : *b;
  format.channels = *c;
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

void NameMissingWavDirectory(const std::string& wavDirectory) {
  std::error_code error;
  if (!std::filesystem::is_directory(wavDirectory, error))
    PrintError(wavDirectory + ": the WAV directory does not exist");
}

void HintWhenNoInstruments(const ops::SongJobOutcome& outcome, const std::string& prgDirectory) {
  if (outcome.step != ops::SongJobOutcome::Step::Conversion || !outcome.problem ||
      HoldsPrgFiles(prgDirectory))
    return;
  PrintError(prgDirectory + " holds no instruments: import a SoundFont bank with 'tonemill import-sf2 "
             "BANK.sf2' (scripts/import-default-set.sh imports the default set), or name a PRG "
             "directory with --prg-dir");
}

std::optional<Problem> CliSongFront::CheckSamples(
    ops::SampleMaking& making, const std::function<std::optional<Problem>()>& check) {
  return ProvideSamples(messages_, making, check);
}

ops::JobOutcome CliSongFront::Render(const ops::RenderRequest&, const ops::RenderStep& step) {
  return RenderWithBar(step, progress_);
}

}  // namespace tonemill::cli
