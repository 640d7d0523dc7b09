#include "selection.h"

#include "tonemill/files/numbers.h"
#include "tonemill/files/wavheader.h"

#include <algorithm>
#include <filesystem>
#include <cmath>
#include <limits>

namespace tonemill {
namespace {

// The last frame in the launch unit. In ms, lastFrame ÷ frames per ms can come out a hair
// below the frame, and Trunc(value × frames per ms) would then give the frame before it: the
// value is raised to the first one that reaches the last frame.
double LastPosition(const EditorInput& input, bool msMode) {
  const double lastFrame = double(std::max<int64_t>(input.totalFrames - 1, 0));
  if (!msMode) return lastFrame;
  double ms = lastFrame / input.framesPerMs;
  while (std::trunc(ms * input.framesPerMs) < lastFrame)
    ms = std::nextafter(ms, std::numeric_limits<double>::infinity());
  return ms;
}

}  // namespace

std::optional<Problem> CheckEditorInput(const std::string& path, EditorInput& input) {
  const TWAVheader h(path);
  // Something there that cannot be read as a file (a directory) says why, as the other input
  // checks do.
  std::error_code missing;
  if (std::string reason = UnreadableFileReason(path); !reason.empty() && std::filesystem::exists(path, missing))
    return Problem("File not found!", path, 0, std::move(reason));
  if (!h.Found) return Problem("File not found!", path);
  // A negative length is a data chunk of 2 GB or more, which the editor cannot address.
  if (h.Truncated || !EngineEncoding(h) || h.SampleRate < kMinEngineRate || h.SampleRate > kMaxEngineRate)
    return Problem("File format error!", path);
  if (h.DataSize == 0) return Problem("Empty WAV file!", path);
  input.bits = h.BitsPerSample;
  input.channels = h.Channels;
  input.rate = h.SampleRate;
  input.totalFrames = int64_t(h.DataSize) / (h.BitsPerSample / 8 * h.Channels);
  input.durationMs = double(input.totalFrames) / h.SampleRate * 1000;
  input.framesPerMs = input.durationMs > 0 ? double(input.totalFrames) / input.durationMs : 0;
  // A single frame has no length to select or draw (the last frame would be the first).
  if (input.totalFrames < 2) return Problem("Empty WAV file!", path);
  return std::nullopt;
}

int32_t FramesOf(double value, const LaunchValues& launch) {
  const double frames = launch.msMode ? value * launch.framesPerMs : value;
  return int32_t(std::clamp(std::trunc(frames), double(INT32_MIN), double(INT32_MAX)));
}

LaunchValues WholeFile(const std::string& inputPath, const std::string& outputPath,
                       const EditorInput& input, bool msMode) {
  LaunchValues launch;
  launch.input = inputPath;
  launch.output = outputPath;
  launch.msMode = msMode;
  launch.framesPerMs = input.framesPerMs;
  launch.start = 0;
  launch.end = LastPosition(input, msMode);
  launch.bits = input.bits;
  launch.rate = input.rate;
  launch.channels = input.channels;
  launch.totalFrames = input.totalFrames;
  launch.leftOnly = input.channels == 1;
  return launch;
}

std::optional<Problem> SetSelection(LaunchValues& launch, const EditorInput& input,
                                    const std::string& start, const std::string& end) {
  const double last = LastPosition(input, launch.msMode);
  const std::optional<double> s = ParseReal(start), e = ParseReal(end);
  const double endValue = e ? std::min(*e, last) : last;
  if (!s || *s < 0 || *s > endValue) return Problem("Illegal Start time!");
  const double limit = SelectionLimit(input, launch.msMode);
  if (!e || *e < *s || *e > limit) return Problem("Illegal End time!");
  launch.start = *s;
  launch.end = endValue;
  return std::nullopt;
}

double SelectionLimit(const EditorInput& input, bool msMode) {
  return msMode ? input.durationMs : double(input.totalFrames);
}

std::string SelectionText(double value, bool msMode) { return FormatFixed(value, msMode ? 2 : 0); }

namespace {

// The value as its edit shows it.
double Shown(double value, bool msMode) { return ParseReal(SelectionText(value, msMode)).value_or(0); }

}  // namespace

std::optional<Problem> CheckSelectionStart(const std::string& text, double end, bool msMode,
                                           double& value) {
  const std::optional<double> s = ParseReal(text);
  if (!s || !std::isfinite(*s) || *s < 0 || *s > end) return Problem("Illegal Start time!");
  value = std::min(Shown(*s, msMode), end);
  return std::nullopt;
}

std::optional<Problem> CheckSelectionEnd(const std::string& text, double start,
                                         const EditorInput& input, bool msMode, double& value) {
  const std::optional<double> e = ParseReal(text);
  const double limit = SelectionLimit(input, msMode);
  if (!e || !std::isfinite(*e) || *e < start || *e > limit) return Problem("Illegal End time!");
  value = std::clamp(Shown(*e, msMode), start, limit);
  return std::nullopt;
}

SelectionValues ConvertSelection(SelectionValues values, const EditorInput& input, bool toMs) {
  const double factor = toMs ? 1 / input.framesPerMs : input.framesPerMs;
  const double limit = SelectionLimit(input, toMs);
  SelectionValues out;
  out.end = std::clamp(Shown(values.end * factor, toMs), 0.0, limit);
  out.start = std::clamp(Shown(values.start * factor, toMs), 0.0, out.end);
  return out;
}

double ConvertPosition(double value, bool fromMs, bool toMs, double framesPerMs) {
  if (fromMs == toMs) return value;
  return toMs ? value * (1 / framesPerMs) : value * framesPerMs;
}

std::optional<Problem> ImportRange(double start, double end, bool fromMs, const EditorInput& input,
                                   bool toMs, SelectionValues& selection) {
  if (end < start) return Problem("Invalid WAView range!");
  const double limit = SelectionLimit(input, toMs);
  selection.end = std::clamp(Shown(ConvertPosition(end, fromMs, toMs, input.framesPerMs), toMs), 0.0, limit);
  selection.start =
      std::clamp(Shown(ConvertPosition(start, fromMs, toMs, input.framesPerMs), toMs), 0.0, selection.end);
  return std::nullopt;
}

LaunchValues EditorLaunch(const std::string& inputPath, const std::string& outputPath,
                          const EditorInput& input, bool msMode, SelectionValues selection,
                          ChannelChoice choice) {
  LaunchValues launch = WholeFile(inputPath, outputPath, input, msMode);
  launch.end = std::min(selection.end, launch.end);
  launch.start = std::min(selection.start, launch.end);
  SetChannels(launch, input, choice);
  return launch;
}

std::optional<double> LongestTime(const LaunchValues& launch) {
  if (launch.totalFrames <= 0 || launch.framesPerMs <= 0) return std::nullopt;
  const double frames = double(launch.totalFrames);
  return launch.msMode ? frames / launch.framesPerMs : frames;
}

void SetChannels(LaunchValues& launch, const EditorInput& input, ChannelChoice choice) {
  if (input.channels == 1) choice = ChannelChoice::Left;
  launch.leftOnly = choice == ChannelChoice::Left;
  launch.rightOnly = choice == ChannelChoice::Right;
}

}  // namespace tonemill
