// tonemill loudness IN [--json] | IN -o OUT --loudness LUFS [--true-peak DBTP] [--force] [--quiet]
#include "loudness.h"

#include "climessages.h"
#include "commands.h"
#include "options.h"
#include "outcome.h"
#include "songoptions.h"
#include "terminal.h"
#include "waverun.h"
#include "platform/filesystem.h"
#include "tonemill/files/audioinput.h"
#include "tonemill/files/soundfile.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/midi/midscan.h"
#include "tonemill/ops/operation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace tonemill::cli {
namespace {

std::string JsonFigure(double value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// A WAV file the program's own reader accepts: its header made canonical, its samples as they
// are (the gain follows in the output job).
ops::WorkResult CopyOwnWav(const std::string& input, const TWAVheader& header,
                           const std::string& path) {
  const AudioFormat format{header.SampleRate, header.BitsPerSample, header.Channels};
  std::FILE* in = std::fopen(platform::NativePath(input).c_str(), "rb");
  std::FILE* out = std::fopen(platform::NativePath(path).c_str(), "wb");
  bool ok = in && out && std::fseek(in, header.DataStart, SEEK_SET) == 0;
  int64_t left = header.DataSize, copied = 0;
  std::vector<uint8_t> block(1 << 16);
  if (ok) {
    const std::vector<uint8_t> head = CanonicalWavHeader(format, uint32_t(header.DataSize));
    ok = std::fwrite(head.data(), 1, head.size(), out) == head.size();
  }
  while (ok && left > 0) {
    const size_t got = std::fread(block.data(), 1, size_t(std::min<int64_t>(left, int64_t(block.size()))), in);
    if (got == 0) break;
    ok = std::fwrite(block.data(), 1, got, out) == got;
    left -= int64_t(got);
    copied += int64_t(got);
  }
  if (in) std::fclose(in);
  if (out && std::fclose(out) != 0) ok = false;
  if (!ok) return ops::WorkResult::Failure(Problem("Can't write WAV file " + path, path));
  if (copied < header.DataSize) {
    // The header says what was copied, so that the output is a whole file.
    if (std::FILE* fix = std::fopen(platform::NativePath(path).c_str(), "r+b")) {
      const std::vector<uint8_t> head = CanonicalWavHeader(format, uint32_t(copied));
      std::fwrite(head.data(), 1, head.size(), fix);
      std::fclose(fix);
    }
    return WaveWorkResult(path, false, PrematureEnd(input));
  }
  return ops::WorkResult::Done();
}

// Another WAV file the gain takes (24 or 32 bits, float, extensible): copied as it is, its other
// chunks with it.
ops::WorkResult CopyWav(const std::string& input, const std::string& path) {
  std::error_code ec;
  std::filesystem::copy_file(platform::NativePath(input), platform::NativePath(path),
                             std::filesystem::copy_options::overwrite_existing, ec);
  if (ec)
    return ops::WorkResult::Failure(Problem("Can't write WAV file " + path, path, 0, ec.message()));
  return ops::WorkResult::Done();
}

// Any other file: decoded into a WAV file of its own width (a lossy one at 24 bits).
ops::WorkResult DecodeToWav(const std::string& input, const std::string& path) {
  std::string error;
  SoundFile in = SoundFile::OpenRead(input, error);
  if (!in.IsOpen()) return ops::WorkResult::Failure(Problem(input + ": " + error, input));
  AudioFormat format = in.Format();
  if (format.bits == 0) format.bits = 24;
  SoundFile out = SoundFile::OpenWrite(path, Container::Wav, format, error);
  if (!out.IsOpen()) return ops::WorkResult::Failure(Problem(error, path));
  std::vector<int32_t> samples(8192 * size_t(format.channels));
  while (const size_t got = in.Read(samples.data(), 8192))
    if (!out.Write(samples.data(), got)) return ops::WorkResult::Failure(Problem(out.Error(), path));
  if (!out.Close(error)) return ops::WorkResult::Failure(Problem(error, path));
  return ops::WorkResult::Done();
}

}  // namespace

void PrintLoudnessLines(const LoudnessFigures& figures) {
  std::printf("Loudness  %s, range %s\n", FormatLoudness(figures.integrated, "LUFS").c_str(),
              FormatLoudness(figures.range, "LU").c_str());
  std::printf("True peak %s\n", FormatLoudness(figures.truePeak, "dBTP").c_str());
}

std::string LoudnessJsonFields(const LoudnessFigures& figures) {
  return "\"integratedLufs\": " + JsonFigure(figures.integrated) +
         ", \"loudnessRangeLu\": " + JsonFigure(figures.range) +
         ", \"truePeakDbtp\": " + JsonFigure(figures.truePeak);
}

int RunLoudness(int argc, char** argv) {
  OutputOptions out;
  LoudnessOptions target;
  bool json = false;
  OptionParser parser("loudness", "IN [-o OUT --loudness LUFS [--true-peak DBTP]]",
                      "Measures an audio file's loudness (EBU R128): integrated loudness, "
                      "loudness range and true peak; with -o writes it at the one gain that "
                      "brings it to --loudness without passing the true-peak ceiling.");
  out.Register(parser,
               "the file at its new loudness: the container of its extension, the input's width");
  target.Register(parser);
  parser.Flag("json", 0, &json, "the figures as one JSON object on stdout");
  std::string input;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "loudness", "audio file", input, exitCode))
    return exitCode;
  std::optional<LoudnessTarget> loudness;
  std::string error;
  if (!target.Apply(loudness, error)) {
  } else if (out.output.empty() && loudness) {
    error = "--loudness needs the output with -o";
  } else if (!out.output.empty() && !loudness) {
    error = "give the target loudness with --loudness";
  } else if (!out.output.empty() && json) {
    error = "--json goes with the report, without -o";
  }
  if (!error.empty()) {
    PrintError("loudness: " + error);
    return kExitUsage;
  }
  const std::string given = input;
  if (!SpoolStandardInput(input, error)) {
    PrintError(error);
    return kExitFailure;
  }
  if (out.output.empty()) {
    LoudnessFigures figures;
    if (std::optional<Problem> problem = MeasureLoudness(input, figures)) {
      PrintProblem(*problem);
      return kExitFailure;
    }
    if (json) {
      std::printf("{\"file\": %s, %s}\n", JsonString(given).c_str(), LoudnessJsonFields(figures).c_str());
    } else {
      std::printf("File      %s\n", given.c_str());
      PrintLoudnessLines(figures);
    }
    return kExitOk;
  }

  // The output's extension chooses its container; standard output gets the input's.
  const std::string& named = ops::IsStandardOutput(out.output) ? input : out.output;
  const std::optional<Container> container = ContainerOfName(named);
  if (!container && !ops::IsNullDevice(out.output)) {
    PrintError("loudness: " + UnknownContainerMessage(named));
    return kExitUsage;
  }
  CliMessages messages(out.force);
  platform::MessageScope scope(messages);
  ops::OutputJob job = WaveOutputJob(out.output, {input});
  job.container = container.value_or(Container::Wav);
  job.loudness = loudness;
  job.tags = CarriedTags(input, false);
  if (std::string error; !ParseQuality(out.quality, job.quality, error)) {
    PrintError("loudness: " + error);
    return kExitUsage;
  }
  if (std::optional<ops::JobOutcome> refused = ops::PrepareOutput(job)) return ReportOutcome(*refused);
  InstallInterruptHandler();
  Progress progress;
  const TWAVheader header(input);
  const bool own = header.Valid && WavInputProblem(header, input).empty() &&
                   (header.BitsPerSample == 8 || header.BitsPerSample == 16);
  const bool wide = !own && CanApplyGain(input);
  const ops::JobOutcome outcome =
      ops::RunOutputJob(job, progress, [&](const std::string& path, Progress&) {
        if (own) return CopyOwnWav(input, header, path);
        return wide ? CopyWav(input, path) : DecodeToWav(input, path);
      });
  WarnAboutGain(outcome, out.output);
  return ReportOutcome(outcome);
}

}  // namespace tonemill::cli
