#include "effectarguments.h"

#include "tonemill/files/numbers.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

namespace tonemill {

int32_t TruncToInt32(double value) {
  if (std::isnan(value)) return 0;
  return int32_t(std::clamp(std::trunc(value), double(INT32_MIN), double(INT32_MAX)));
}

int32_t RoundToInt32(double value) {
  if (std::isnan(value)) return 0;
  // nearbyint rounds halves to even in the default rounding mode.
  return int32_t(std::clamp(std::nearbyint(value), double(INT32_MIN), double(INT32_MAX)));
}

RangeArguments RangeOf(const LaunchValues& launch) {
  return {FramesOf(launch.start, launch), FramesOf(launch.end, launch), launch.leftOnly ? 1 : 0,
          launch.rightOnly ? 1 : 0};
}

// Percentages become 1/256 units as trunc(percent × 2.56).
static int32_t Per256(double percent) { return TruncToInt32(percent * 2.56); }

EchoArguments EchoArgumentsOf(const EffectFields& f, const LaunchValues& launch) {
  return {FramesOf(f.values[echo::kDelay], launch), Per256(f.values[echo::kFeedback]),
          Per256(f.values[echo::kLevel])};
}

FlangeArguments FlangeArgumentsOf(const EffectFields& f, const LaunchValues& launch, int32_t sampleRate) {
  const bool chorus = f.kind == EffectKind::Chorus;
  auto column = [chorus](chorus::Column c, flange::Column f) { return size_t(chorus ? int(c) : int(f)); };
  const size_t offset = column(chorus::kOffset, flange::kOffset);
  const size_t variation = column(chorus::kVariation, flange::kVariation);
  const size_t rate = column(chorus::kRate, flange::kRate);
  FlangeArguments a;
  a.offsetFrames = FramesOf(f.values[offset], launch);
  a.variationFrames = FramesOf(f.values[variation], launch);
  int num = TruncToInt32(f.values[rate] * 10), den = TruncToInt32(double(sampleRate) * 10);
  ReduceFraction(num, den);
  a.rateNum = num;
  a.rateDen = den;
  a.dryLevel = TruncToInt32(f.values[column(chorus::kOriginal, flange::kOriginal)] * 256);
  a.wetLevel = TruncToInt32(f.values[column(chorus::kEffect, flange::kEffect)] * 256);
  a.feedback = chorus ? 0 : Per256(f.values[flange::kFeedback]);
  return a;
}

const FlangeTables& FlangeWaveTables() {
  static const FlangeTables tables = [] {
    FlangeTables t;
    for (int i = 0; i < kFlangeTableSize; ++i) {
      const long double angle = i * 0.003907453549241036L;
      t.sine[size_t(i)] = int32_t(std::sin(angle) * 65536.0L);
      t.cosine[size_t(i)] = int32_t(std::cos(angle) * 65536.0L);
    }
    return t;
  }();
  return tables;
}

ReverbArguments ReverbArgumentsOf(const EffectFields& f, const LaunchValues& launch) {
  ReverbArguments a;
  a.algorithm = std::clamp(TruncToInt32(f.values[reverb::kAlgorithm]), 1, 4);
  // Decay and pre-delay are always passed in milliseconds.
  auto ms = [&](double v) { return TruncToInt32(launch.msMode ? v : v / launch.framesPerMs); };
  a.decayMs = ms(f.values[reverb::kDecay]);
  a.predelayMs = ms(f.values[reverb::kDelay]);
  a.levelLeft = Per256(f.values[reverb::kLevelLeft]);
  a.levelRight = Per256(f.values[reverb::kLevelRight]);
  for (int k = 0; k < 6; ++k) {
    a.lowpassLeft[k] = TruncToInt32(f.values[size_t(reverb::kLowpassLeft + k)]);
    a.lowpassRight[k] = TruncToInt32(f.values[size_t(reverb::kLowpassRight + k)]);
  }
  return a;
}

VocodeArguments VocodeArgumentsOf(const EffectFields& f, const LaunchValues& launch, bool normalize) {
  VocodeArguments a;
  const double time = f.values[vocoder::kTime];
  a.windowFrames = std::max(1, RoundToInt32(launch.msMode ? time * launch.framesPerMs : time));
  a.bandCount = TruncToInt32(f.values[vocoder::kBands]);
  a.amp256 = RoundToInt32(f.values[vocoder::kAmplification] * 256);
  a.normalize = normalize ? 1 : 0;
  for (size_t b = 0; b < 32 && b < f.bands.size(); ++b) {
    const std::vector<std::string>& cells = f.bands[b];
    auto integer = [&](size_t c) { return TruncToInt32(ParseReal(cells.at(c)).value_or(0)); };
    a.controlCenter[b] = integer(vocoder::kControlCentre);
    a.controlWidth[b] = integer(vocoder::kControlWidth);
    a.carrierCenter[b] = integer(vocoder::kCarrierCentre);
    a.carrierWidth[b] = integer(vocoder::kCarrierWidth);
    a.weight256[b] = RoundToInt32(ParseReal(cells.at(vocoder::kWeight)).value_or(0) * 256);
  }
  return a;
}

void MakeEquidistant(EffectFields& f) {
  const int count = std::clamp(TruncToInt32(f.values[vocoder::kBands]), 1, 32);
  // One band has nothing to spread: its width would become 0, a filter without a pass band.
  if (count < 2) return;
  for (size_t centre : {size_t(vocoder::kControlCentre), size_t(vocoder::kCarrierCentre)}) {
    const double first = ParseReal(f.bands[0][centre]).value_or(0);
    const double last = ParseReal(f.bands[size_t(count - 1)][centre]).value_or(0);
    const double width = (last - first) / count;
    for (auto& band : f.bands) band[centre + 1] = FormatFixed(width, 0);
    for (int i = 2; i < count; ++i) f.bands[size_t(i - 1)][centre] = FormatFixed(first + (i - 1) * width, 0);
  }
}

}  // namespace tonemill
