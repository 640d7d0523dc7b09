#include "selection.h"

#include "tonemill/files/numbers.h"
#include "tonemill/files/wavheader.h"

#include <algorithm>
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
  if (!h.Found) return Problem("File not found!", path);
  const bool rateOk = h.SampleRate == 11025 || h.SampleRate == 22050 || h.SampleRate == 44100;
  // A negative length is a data chunk of 2 GB or more, which the editor cannot address.
  if (h.Truncated || !h.IsWave || !h.FormatOk || (h.Channels != 1 && h.Channels != 2) ||
      !rateOk || (h.BitsPerSample != 8 && h.BitsPerSample != 16) || h.DataSize < 0)
    return Problem("File format error!", path);
  if (h.DataSize == 0) return Problem("Empty WAV file!", path);
  input.bits = h.BitsPerSample;
  input.channels = h.Channels;
  input.rate = h.SampleRate;
  input.totalFrames = int64_t(h.DataSize) / (h.BitsPerSample / 8 * h.Channels);
  input.durationMs = double(input.totalFrames) / h.SampleRate * 1000;
  input.framesPerMs = input.durationMs > 0 ? double(input.totalFrames) / input.durationMs : 0;
  if (input.totalFrames == 0) return Problem("Empty WAV file!", path);
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
  launch.leftOnly = input.channels == 1;
  return launch;
}

std::optional<Problem> SetSelection(LaunchValues& launch, const EditorInput& input,
                                    const std::string& start, const std::string& end) {
  const double last = LastPosition(input, launch.msMode);
  const std::optional<double> s = ParseReal(start), e = ParseReal(end);
  const double endValue = e ? std::min(*e, last) : last;
  if (!s || *s < 0 || *s > endValue) return Problem("Illegal Start time!");
  const double limit = launch.msMode ? input.durationMs : double(input.totalFrames);
  if (!e || *e < *s || *e > limit) return Problem("Illegal End time!");
  launch.start = *s;
  launch.end = endValue;
  return std::nullopt;
}

void SetChannels(LaunchValues& launch, const EditorInput& input, ChannelChoice choice) {
  if (input.channels == 1) choice = ChannelChoice::Left;
  launch.leftOnly = choice == ChannelChoice::Left;
  launch.rightOnly = choice == ChannelChoice::Right;
}

}  // namespace tonemill
