// tonemill wavscan IN.wav [--json] [--quiet]
#include "commands.h"
#include "loudness.h"
#include "options.h"
#include "terminal.h"
#include "tonemill/files/audioinput.h"
#include "tonemill/files/numbers.h"
#include "tonemill/wave/wavscan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tonemill::cli {
namespace {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}


void PrintText(const ScanSetup& setup, const ScanFigures& f,
               const std::optional<LoudnessFigures>& loudness) {
  std::printf("File      %s\n", ShownInputName(setup.name).c_str());
  std::printf("Format    %d bits%s, %d Hz, %d channel%s\n", setup.bits, setup.isFloat ? " float" : "",
              setup.rate, setup.channels, setup.channels == 1 ? "" : "s");
  std::printf("Duration  %lld samples, %s ms\n", (long long)setup.samples,
              FormatFixed(setup.durationMs, 2).c_str());
  const bool stereo = setup.channels == 2;
  auto row = [&](const char* label, const std::string& left, const std::string& right) {
    // Wide samples may fill the column: a space still parts the two.
    const int width = std::max(16, int(left.size()) + (stereo ? 1 : 0));
    std::printf("%-9s %-*s%s\n", label, width, left.c_str(), stereo ? right.c_str() : "");
  };
  auto saturation = [](const ChannelFigures& c) {
    return std::to_string(c.saturated) + " (" + FormatFixed(c.saturatedPercent, 2) + "%)";
  };
  row("", "L", "R");
  row("Min.", f.left.minimum, f.right.minimum);
  row("Max.", f.left.maximum, f.right.maximum);
  row("RMS", f.left.rmsText, f.right.rmsText);
  row("Satur.", saturation(f.left), saturation(f.right));
  if (loudness) PrintLoudnessLines(*loudness);
}

void PrintJson(const ScanSetup& setup, const ScanFigures& f, const WavStats& s, bool complete,
               const std::optional<LoudnessFigures>& loudness) {
  auto channel = [&](const char* name, int32_t minimum, int32_t maximum, const ChannelFigures& c) {
    return std::string("{\"channel\": \"") + name + "\", \"min\": " + std::to_string(minimum) +
           ", \"max\": " + std::to_string(maximum) + ", \"rms\": " + JsonNumber(c.rms) +
           ", \"saturated\": " + std::to_string(c.saturated) +
           ", \"saturatedPercent\": " + JsonNumber(c.saturatedPercent) + "}";
  };
  std::string channels = channel("left", s.MinLeft, s.MaxLeft, f.left);
  if (setup.channels == 2) channels += ", " + channel("right", s.MinRight, s.MaxRight, f.right);
  std::printf(
      "{\"file\": %s, \"format\": {\"bits\": %d, \"rate\": %d, \"channels\": %d%s}, \"frames\": %lld, "
      "\"durationMs\": %s, \"fullScale\": %lld, \"complete\": %s, \"channels\": [%s]%s}\n",
      JsonString(ShownInputName(setup.name)).c_str(), setup.bits, setup.rate, setup.channels,
      setup.isFloat ? ", \"float\": true" : "", (long long)setup.samples,
      JsonNumber(setup.durationMs).c_str(), (long long)setup.fullScale,
      complete ? "true" : "false", channels.c_str(),
      loudness ? (", " + LoudnessJsonFields(*loudness)).c_str() : "");
}

}  // namespace

int RunWavscan(int argc, char** argv) {
  bool json = false, quiet = false;
  OptionParser parser("wavscan", "IN.wav|- [--json]",
                      "Shows a WAV file's format, duration and per-channel level statistics: "
                      "minimum and maximum sample, RMS and saturated samples.");
  parser.Flag("json", 0, &json, "the figures as one JSON object on stdout");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");
  std::string input;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "wavscan", "WAV file", input, exitCode))
    return exitCode;
  if (std::string error; !PrepareAudioInput(input, error)) {
    PrintError(error);
    return kExitFailure;
  }
  ScanSetup setup;
  WavStats stats;
  if (auto problem = PrepareScan(input, setup, stats)) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  InstallInterruptHandler();
  Progress progress(Progress::CancelMark::AtTotal);  // the counters never pass the limit
  ProgressPump pump(progress, !quiet, [](const Progress&) { return std::string("Scanning"); });
  pump.Attach();
  ScanResult result;
  try {
    result = ScanWav(setup, stats, progress);
  } catch (const std::exception& e) {
    pump.Clear();
    PrintProblem(Problem(e.what(), input));
    return kExitFailure;
  }
  pump.Clear();
  const ScanFigures figures = FiguresOf(setup, stats, result.scannedBytes);
  const bool complete = !result.cancelled && !result.endsEarly;
  // The loudness is a second pass, over a whole file only.
  std::optional<LoudnessFigures> loudness;
  if (LoudnessFigures measured; complete && !MeasureLoudness(input, measured)) loudness = measured;
  if (json)
    PrintJson(setup, figures, stats, complete, loudness);
  else
    PrintText(setup, figures, loudness);
  std::fflush(stdout);
  if (result.cancelled) {
    PrintProblem(Problem("Cancelled: the figures cover the part scanned before the cancel", input));
    return CancelledExitCode();
  }
  if (result.endsEarly) {
    PrintProblem(Problem(PrematureEndMessage(input), input));
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace tonemill::cli
