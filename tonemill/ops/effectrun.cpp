#include "effectrun.h"

#include "resona/resona.h"
#include "tonemill/files/settings.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/ops/operation.h"
#include "platform/messages.h"
#include "tonemill/ops/targets.h"

#include <sys/stat.h>
#include <algorithm>
#include <cmath>

namespace tonemill {
namespace {

constexpr int kVocodeOrdinal = 1, kEchoOrdinal = 2, kFlangeOrdinal = 3, kReverbOrdinal = 4;

int OrdinalOf(EffectKind kind) {
  switch (kind) {
    case EffectKind::Echo: return kEchoOrdinal;
    case EffectKind::Flange:
    case EffectKind::Chorus: return kFlangeOrdinal;
    case EffectKind::Reverb: return kReverbOrdinal;
    case EffectKind::Vocoder: return kVocodeOrdinal;
  }
  return 0;
}

int32_t CallExport(void* entry, const EffectJob& job, const char* out, Progress& progress) {
  const LaunchValues& l = job.launch;
  RangeArguments r = RangeOf(l);
  if (job.wholeFile) {
    r.startFrame = 0;
    r.endFrame = INT32_MAX;  // the library ends the range at the last frame
  }
  const char* in = l.input.c_str();
  switch (job.kind) {
    case EffectKind::Echo: {
      const EchoArguments a = EchoArgumentsOf(job.fields, l);
      return reinterpret_cast<WavEchoProc>(entry)(in, out, r.startFrame, r.endFrame, a.delayFrames,
                                                  a.feedback, a.level, r.leftOnly, r.rightOnly,
                                                  &progress.done, &progress.total);
    }
    case EffectKind::Flange:
    case EffectKind::Chorus: {
      const FlangeArguments a = FlangeArgumentsOf(job.fields, l, l.rate);
      const FlangeTables& t = FlangeWaveTables();
      return reinterpret_cast<WavFlangeProc>(entry)(
          in, out, r.startFrame, r.endFrame, a.offsetFrames, a.variationFrames, a.rateNum,
          a.rateDen, a.dryLevel, a.wetLevel, a.feedback, r.leftOnly, r.rightOnly, &progress.done,
          &progress.total, t.sine.data(), t.cosine.data());
    }
    case EffectKind::Reverb: {
      const ReverbArguments a = ReverbArgumentsOf(job.fields, l);
      const int32_t* L = a.lowpassLeft;
      const int32_t* R = a.lowpassRight;
      return reinterpret_cast<WavReverbProc>(entry)(
          in, out, a.algorithm, r.startFrame, r.endFrame, a.decayMs, a.predelayMs, a.levelLeft,
          a.levelRight, L[0], L[1], L[2], L[3], L[4], L[5], R[0], R[1], R[2], R[3], R[4], R[5],
          r.leftOnly, r.rightOnly, &progress.done, &progress.total);
    }
    case EffectKind::Vocoder: {
      const VocodeArguments a = VocodeArgumentsOf(job.fields, l, job.normalize);
      return reinterpret_cast<VocodeProc>(entry)(
          job.controlFile.c_str(), in, out, r.startFrame, r.endFrame, a.windowFrames, a.bandCount,
          a.amp256, r.leftOnly, r.rightOnly, a.normalize, a.controlCenter, a.controlWidth,
          a.carrierCenter, a.carrierWidth, a.weight256, &progress.done, &progress.total);
    }
  }
  return -1;
}

// The input that ends before its data chunk says, if one does: the library processes what there
// is and reports success, so the effect tells it as the WAV operations do.
std::optional<Problem> InputEndingEarly(const EffectJob& job) {
  std::vector<std::string> inputs{job.launch.input};
  if (job.kind == EffectKind::Vocoder) inputs.push_back(job.controlFile);
  for (const std::string& name : inputs) {
    const TWAVheader header(name);
    struct stat st {};
    if (header.Truncated) return PrematureEnd(name);
    if (header.Located && ::stat(name.c_str(), &st) == 0 &&
        int64_t(st.st_size) < int64_t(header.DataStart) + uint32_t(header.DataSize))
      return PrematureEnd(name);
  }
  return std::nullopt;
}

// The container an output's extension names; WAV for standard output and for a name that
// names none, as the effects have always written.
Container TargetContainer(const std::string& output) {
  if (ops::IsStandardOutput(output)) return Container::Wav;
  return ContainerOfName(output).value_or(Container::Wav);
}

}  // namespace

std::optional<Problem> CheckEffectJob(const EffectJob& job) {
  const std::string& out = job.launch.output;
  if (auto clash = OutputIsInput(out, job.launch.input, "Can't overwrite source file!")) return clash;
  // The effect's patch file is read (and written) too.
  if (auto clash = OutputIsInput(out, PatchFilePath(job.kind), "Can't overwrite source file!")) return clash;
  if (auto bad = CheckFields(job.fields, job.launch)) return bad;
  if (job.kind == EffectKind::Vocoder) {
    const TWAVheader control(job.controlFile);
    if (!control.Located) return Problem("Error reading control file " + job.controlFile + "!", job.controlFile);
    if (auto clash = OutputIsInput(out, job.controlFile, "Can't overwrite source file!")) return clash;
    const int32_t carrierRate = job.launch.rate > 0 ? job.launch.rate : TWAVheader(job.launch.input).SampleRate;
    EffectFields fitted = job.fields;
    fitted.values[vocoder::kBands] = FitDefaultBands(job.fields, control.SampleRate, carrierRate).count;
    if (auto bad = CheckBands(fitted, control.SampleRate, carrierRate)) return bad;
  }
  return UnwritableTarget(out);
}

std::string EffectStatusMessage(int32_t status, const EffectJob& job) {
  switch (status) {
    case 1: return "Out of memory!";
    case 2: return "Can't read WAV file " + job.launch.input + "!";
    case 3: return "Can't create file " + job.launch.output + "!";
    case 4: return "Disk full!";
    case 5: return "Error reading control file " + job.controlFile + "!";
    default: return "Internal error!";
  }
}

ops::OutputJob EffectOutputJob(const EffectJob& job) {
  ops::OutputJob output;
  output.target = job.launch.output;
  output.checks = [&job] { return CheckEffectJob(job); };
  output.question = ops::OverwriteQuestion::File;
  output.container = TargetContainer(job.launch.output);
  return output;
}

PreviewRange PreviewOf(const LaunchValues& launch, const std::string& output, double seconds) {
  PreviewRange preview{launch};
  LaunchValues& l = preview.launch;
  l.output = output;
  const double framesPerMs = l.framesPerMs > 0 ? l.framesPerMs : l.rate / 1000.0;
  const double span = l.msMode ? seconds * 1000 : std::max(1.0, std::trunc(seconds * 1000 * framesPerMs));
  l.end = std::min(l.end, l.start + span);
  const RangeArguments r = RangeOf(l);
  int64_t last = std::max(r.endFrame, r.startFrame);
  if (l.totalFrames > 0) last = std::min<int64_t>(last, l.totalFrames - 1);
  preview.firstFrame = std::clamp<int64_t>(r.startFrame, 0, std::max<int64_t>(0, last));
  preview.endFrame = last + 1;
  return preview;
}

EffectPreview PreviewOf(const EffectJob& job, const std::string& output, double seconds) {
  EffectPreview preview{job};
  LaunchValues launch = job.launch;
  if (job.wholeFile) {
    launch.start = 0;
    if (launch.totalFrames > 0)
      launch.end = launch.msMode && launch.framesPerMs > 0 ? double(launch.totalFrames) / launch.framesPerMs
                                                           : double(launch.totalFrames);
  }
  const PreviewRange range = PreviewOf(launch, output, seconds);
  preview.job.launch = range.launch;
  preview.job.wholeFile = false;
  preview.job.overwrite = Overwrite::Replace;
  preview.job.keep = {};
  preview.firstFrame = range.firstFrame;
  preview.endFrame = range.endFrame;
  return preview;
}

ops::JobOutcome RunEffect(const EffectJob& given, Progress& progress, platform::PumpFunction pump,
                          void* pumpContext) {
  // The default band table loses the bands its signals' rates cannot carry, with one warning.
  EffectJob job = given;
  if (job.kind == EffectKind::Vocoder) {
    const int32_t carrierRate = job.launch.rate > 0 ? job.launch.rate : TWAVheader(job.launch.input).SampleRate;
    const BandFit fit = FitDefaultBands(job.fields, TWAVheader(job.controlFile).SampleRate, carrierRate);
    job.fields.values[vocoder::kBands] = fit.count;
    if (!fit.warning.empty())
      platform::Show({platform::MessageKind::Warning, platform::Buttons::Ok, platform::Topic::Notice, fit.warning});
  }
  ops::OutputJob output;
  output.target = job.launch.output;
  output.overwrite = job.overwrite;
  // The library writes a WAV file; the job encodes it into the container the target names.
  output.container = TargetContainer(job.launch.output);
  output.resample = job.resample;
  const ops::OutputWork work = ops::CarryMetadata(output, job.keep, [&](const std::string& path, Progress& counters) {
    platform::BoundLibrary library = platform::BoundLibrary::Load("RESONA.DLL", pump, pumpContext);
    if (!library.IsLoaded()) return ops::WorkResult::Failure(Problem(platform::LoadErrorMessage("RESONA.DLL")));
    void* entry = library.Export(OrdinalOf(job.kind));
    if (!entry)
      return ops::WorkResult::Failure(
          Problem(platform::MissingExportMessage("RESONA.DLL", OrdinalOf(job.kind))));
    counters.Reset(1);
    const int32_t status = CallExport(entry, job, path.c_str(), counters);
    library.Free();
    if (status != 0) {
      const std::string file = status == 3 || status == 4 ? job.launch.output
                               : status == 5              ? job.controlFile
                                                          : job.launch.input;
      return ops::WorkResult::Failure(Problem(EffectStatusMessage(status, job), file));
    }
    if (!counters.Cancelled()) {
      if (std::optional<Problem> early = InputEndingEarly(job))
        return ops::WorkResult{ops::WorkResult::End::EndedEarly, *early};
      return ops::WorkResult::Done();
    }
    return ops::WorkResult{
        ops::WorkResult::End::Cancelled,
        Problem("Cancelled after " + std::to_string(counters.DoneAtCancel()) + " of " +
                    std::to_string(counters.total) +
                    " bytes: the output holds what was processed before the cancel",
                job.launch.output)};
  });
  return ops::RunOutputJob(output, progress, work);
}

std::string PatchFilePath(EffectKind kind) {
  const std::string ini = LocateSettings().iniPath;
  const size_t slash = ini.find_last_of('/');
  return (slash == std::string::npos ? std::string() : ini.substr(0, slash + 1)) + LayoutOf(kind).fileName;
}

}  // namespace tonemill
