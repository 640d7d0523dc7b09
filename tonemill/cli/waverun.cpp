#include "waverun.h"

#include "climessages.h"
#include "outcome.h"
#include "terminal.h"
#include "tonemill/files/numbers.h"
#include "tonemill/wave/wavscan.h"

#include <algorithm>

namespace tonemill::cli {
void OutputOptions::Register(OptionParser& parser, const std::string& outputHelp) {
  parser.Value("output", 'o', &output, "OUT.wav", outputHelp + " (- for standard output)");
  parser.StandardOutput("output");
  parser.Flag("force", 0, &force, "overwrite an existing output file");
  parser.Value("quality", 0, &quality, "Q",
               "the lossy encoder's quality (ogg, opus, mp3 outputs): 0 smallest to 10 best");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");
}

std::optional<int> ApplyField(const std::string& command, const std::string& option,
                              const RealField& field, const std::string& text, double& value) {
  double v = 0;
  std::string shown;
  if (auto problem = CheckField(field, text.empty() ? field.defaultText : text, v, shown)) {
    PrintError(command + ": --" + option + ": " + problem->message);
    return kExitUsage;
  }
  value = v;
  return std::nullopt;
}

std::optional<int> ParseEffectCommand(const OptionParser& parser, int argc, char** argv,
                                      const std::string& command, const OutputOptions& out,
                                      const RangeOptions& range, EditorInput& facts,
                                      LaunchValues& launch) {
  std::string input;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, command, "WAV file", input, exitCode))
    return exitCode;
  if (out.output.empty()) {
    PrintError(command + ": give the output with -o (see --help)");
    return kExitUsage;
  }
  if (std::string error; !PrepareAudioInput(input, error)) {
    PrintError(error);
    return kExitFailure;
  }
  return range.Apply(input, out.output, facts, launch);
}

int RunWaveOperation(const std::string& output, const std::vector<std::string>& inputs,
                     const OutputOptions& options, const ops::OutputWork& engine,
                     const std::string& cannotCreate, const OutputEncoding& encoding) {
  CliMessages messages(options.force);
  platform::MessageScope scope(messages);
  ops::OutputJob job = WaveOutputJob(output, inputs, cannotCreate);
  if (encoding.container) job.container = *encoding.container;
  job.resample = encoding.resample;
  if (std::string error; !ParseQuality(options.quality, job.quality, error)) {
    PrintError(error);
    return kExitUsage;
  }
  if (std::optional<ops::JobOutcome> refused = ops::PrepareOutput(job)) return ReportOutcome(*refused);
  InstallInterruptHandler();
  Progress progress;
  ProgressPump pump(progress, !options.quiet);
  pump.Attach();
  std::vector<std::string> dropped;
  const ops::OutputWork work = ops::CarryMetadata(job, encoding.keep, engine, &dropped);
  const ops::JobOutcome outcome = ops::RunOutputJob(job, progress, work);
  pump.Clear();
  const int code = ReportOutcome(outcome);
  if (outcome.kept && !dropped.empty()) PrintError(ops::DroppedChunksWarning(output, dropped));
  ReportSaturation(inputs, output, outcome);
  return code;
}

namespace {

// The saturated samples of a WAV file and all its samples; nothing when it cannot be scanned.
std::optional<std::pair<int64_t, int64_t>> SaturatedSamples(const std::string& path) {
  ScanSetup setup;
  WavStats stats;
  if (PrepareScan(path, setup, stats)) return std::nullopt;
  Progress progress;
  const ScanResult scan = ScanWav(setup, stats, progress);
  if (scan.cancelled) return std::nullopt;
  const int64_t frames = scan.scannedBytes / std::max<int64_t>(1, setup.bits / 8 * setup.channels);
  return std::make_pair(int64_t(stats.SatLeft) + (setup.channels == 2 ? stats.SatRight : 0),
                        frames * setup.channels);
}

}  // namespace

void ReportSaturation(const std::vector<std::string>& inputs, const std::string& output,
                      const ops::JobOutcome& outcome) {
  if (!outcome.kept) return;
  const auto out = SaturatedSamples(output);
  if (!out || out->first == 0 || out->second == 0) return;
  for (const std::string& input : inputs)
    if (const auto in = SaturatedSamples(input); in && in->first >= out->first) return;
  PrintError("warning: " + output + ": " + FormatFixed(100.0 * double(out->first) / double(out->second), 2) +
             "% of the samples are saturated");
}

}  // namespace tonemill::cli
