#include "effectparams.h"

#include "tonemill/files/numbers.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace tonemill {
namespace {

RealField AnyReal(const std::string& defaultText, const std::string& message, int decimals) {
  return RealField{defaultText, message, false, false, 0, 0, decimals};
}

RealField AtLeast(double minimum, const std::string& defaultText, const std::string& message,
                  int decimals) {
  return RealField{defaultText, message, true, false, minimum, 0, decimals};
}

RealField Between(double minimum, double maximum, const std::string& defaultText,
                  const std::string& message, int decimals) {
  return RealField{defaultText, message, true, true, minimum, maximum, decimals};
}

// A duration in the launch unit: "0.00" ms or "0" samples, at least 0.
RealField Duration(const LaunchValues& launch, const std::string& message) {
  return launch.msMode ? AtLeast(0, "0.00", message, 2) : AtLeast(0, "0", message, 0);
}

}  // namespace

EnhanceFields EnhanceDialogFields(bool expand, const LaunchValues& launch) {
  EnhanceFields f;
  f.parameter = AtLeast(0, "0.30", "Illegal parameter!", 3);
  f.amplification = AnyReal(expand ? "0.050" : "5.000", "Illegal amplification factor!", 3);
  if (launch.msMode) {
    f.time = Between(0.1, 100, "50.00", "The allowed time resolution range is 0.10 to 100.00 ms!", 2);
  } else {
    const double frames = std::nearbyint(launch.framesPerMs * 50);
    f.time = Between(1, 4410, FormatFixed(frames, 0),
                     "The allowed time resolution range is 1 to 4410 samples!", 0);
  }
  return f;
}

EnhanceSettings EnhanceSettingsOf(bool expand, double parameter, double amplification,
                                  double time, const LaunchValues& launch) {
  EnhanceSettings s;
  s.amplification = amplification;
  s.exponent = expand ? -parameter : parameter;
  const long double window =
      launch.msMode ? std::nearbyint((long double)time * launch.rate * 0.001L) : std::nearbyint((long double)time);
  s.window = int32_t(std::clamp<long double>(window, 1, Tavrg::kMaxItems));
  return s;
}

FadeFields FadeDialogFields() {
  return {AnyReal("1.000", "Illegal start factor!", 3), AnyReal("1.000", "Illegal end factor!", 3)};
}

RealField ThresholdField(int32_t bits) {
  return bits == 8 ? Between(0, 128, "26", "Illegal threshold value!", 0)
                   : Between(0, 32768, "3277", "Illegal threshold value!", 0);
}

const char* ThresholdRangeLabel(int32_t bits) { return bits == 8 ? "(0-255)" : "(0-32768)"; }

GateFields GateDialogFields(const LaunchValues& launch) {
  return {ThresholdField(launch.bits), Duration(launch, "Illegal attack length!"),
          Duration(launch, "Illegal decay length!")};
}

GateSettings GateSettingsOf(double threshold, double attack, double decay, const LaunchValues& launch) {
  GateSettings s;
  s.threshold = int32_t(std::trunc(threshold));
  s.attackFrames = FramesOf(attack, launch);
  s.decayFrames = FramesOf(decay, launch);
  return s;
}

GatedCutFields GatedCutDialogFields(const LaunchValues& launch) {
  return {ThresholdField(launch.bits)};
}

ExtendFields ExtendDialogFields(const LaunchValues& launch) {
  ExtendFields f{Duration(launch, "Illegal duration value!")};
  // The output's data stays below 2 GB, which its header and the progress counters hold.
  const int64_t frameBytes = int64_t(launch.bits / 8) * launch.channels;
  if (frameBytes > 0 && launch.totalFrames > 0 && launch.framesPerMs > 0) {
    const int64_t frames = std::max<int64_t>(0, (INT32_MAX - launch.totalFrames * frameBytes) / frameBytes);
    f.duration.checkMaximum = true;
    // A maximum in ms that never converts to more frames than fit.
    f.duration.maximum = launch.msMode ? std::floor(frames / launch.framesPerMs * 100) / 100 : double(frames);
  }
  return f;
}

ExtendSettings ExtendSettingsOf(double duration, bool append, const LaunchValues& launch) {
  ExtendSettings s;
  s.startFrame = FramesOf(launch.start, launch);
  s.durationFrames = FramesOf(duration, launch);
  s.append = append;
  return s;
}

LowHighFields LowHighDialogFields(bool lowPass, const LaunchValues& launch) {
  const double cutoff = lowPass ? double(launch.rate / 2) : 0;
  // Above half the rate the design's tangent turns negative and the section unstable; half the
  // rate itself, the low pass's default, passes the input unchanged.
  return {Between(0, launch.rate / 2.0, FormatFixed(cutoff, 1), "Illegal HHF!", 1),
          AnyReal("1.000", "Illegal amplification factor!", 3)};
}

BandFields BandDialogFields(bool, const LaunchValues& launch) {
  const std::string quarter = FormatFixed(double(launch.rate / 4), 1);
  // Beyond half the rate the centre folds back and the width turns the section unstable.
  const double half = launch.rate / 2.0;
  return {Between(0, half, quarter, "Illegal center frequency!", 1),
          Between(0, half, quarter, "Illegal filter width!", 1),
          AnyReal("1.000", "Illegal amplification factor!", 3)};
}

RingFields RingDialogFields() {
  return {AtLeast(0, "1000.00", "Illegal modulator rate!", 2)};
}

}  // namespace tonemill
