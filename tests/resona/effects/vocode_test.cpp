// The vocoder against a plain reading of its definition (one band at a time, floats where the
// definition has them, the band sum in double in four interleaved sums), and its edge cases.
#include "effecttest.h"
#include "resona/effects/vocode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace resona::effects;
using namespace testing_support;
using effecttest::Call;
using effecttest::Counters;

namespace {

struct Bands {
  int32_t controlCenter[32], controlWidth[32], carrierCenter[32], carrierWidth[32], weight[32];
  Bands() {
    for (int i = 0; i < 32; ++i) {
      controlCenter[i] = carrierCenter[i] = 300 + 250 * i;
      controlWidth[i] = carrierWidth[i] = 200;
      weight[i] = 256;
    }
  }
};

VocodeParameters Parameters(const std::string& control, const Bands& b, int32_t bands,
                            int32_t window, int32_t amp256, int32_t normalize) {
  VocodeParameters p;
  p.controlFile = control.c_str();
  p.windowFrames = window;
  p.bandCount = bands;
  p.amp256 = amp256;
  p.normalize = normalize;
  p.controlCenter = b.controlCenter;
  p.controlWidth = b.controlWidth;
  p.carrierCenter = b.carrierCenter;
  p.carrierWidth = b.carrierWidth;
  p.weight256 = b.weight;
  return p;
}

std::vector<int32_t> Sine(int n, double hz, int rate, double amplitude, int32_t centre = 0) {
  std::vector<int32_t> s;
  for (int i = 0; i < n; ++i)
    s.push_back(centre + int32_t(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate))));
  return s;
}

struct Filter {
  float a0 = 0, b1 = 0, b2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  Filter(int32_t f, int32_t w, int32_t r) {
    const float pi = 2.0f * float(std::acos(0.0));
    const float c = 1.0f / float(std::tan(double(pi * float(w) / float(r))));
    const float d = 2.0f * float(std::cos(double(2.0f * pi * float(f) / float(r))));
    a0 = 1.0f / (1.0f + c);
    b1 = -c * d * a0;
    b2 = (c - 1.0f) * a0;
  }
  float Step(float x) {
    const float y = (x - x2) * a0 - b1 * y1 - b2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// Mono control and mono carrier at one rate and bit depth, the whole file.
std::vector<int32_t> Reference(const std::vector<int32_t>& control, const std::vector<int32_t>& carrier,
                               int bits, int rate, const Bands& b, int bands, int window,
                               int32_t amp256, bool normalize) {
  const int32_t centre = bits == 8 ? 128 : 0;
  const int32_t limit = bits == 8 ? 127 : 32767;
  const int n = std::min(window, 900);
  struct Envelope {
    std::vector<int32_t> ring;
    size_t pos = 0;
    int32_t sum = 0;
    float average = 0;
    float Step(int32_t v) {
      sum = sum + v - ring[pos];
      average = float(sum) / float(ring.size());
      ring[pos] = v;
      pos = (pos + 1) % ring.size();
      return average;
    }
  };
  auto fresh = [&] {
    std::vector<Filter> f;
    std::vector<Envelope> e;
    for (int i = 0; i < bands; ++i) {
      f.emplace_back(b.controlCenter[i], b.controlWidth[i], rate);
      e.push_back({std::vector<int32_t>(size_t(n), 0)});
    }
    return std::pair{f, e};
  };
  auto envelope = [&](Filter& f, int32_t x) {
    return std::min(std::abs(int32_t(f.Step(float(x)))), limit);
  };
  float peak = 0;
  if (normalize) {
    auto [f, e] = fresh();
    for (int32_t v : control)
      for (int i = 0; i < bands; ++i) peak = std::max(peak, e[size_t(i)].Step(envelope(f[size_t(i)], v - centre)));
  }
  double k = normalize && peak > 0 ? double(amp256) / double(peak)
                                   : double(amp256) * (bits == 8 ? 1.0 / 128 : 1.0 / 32768);
  k = k * (1.0 / 65536.0);
  auto [cf, ce] = fresh();
  std::vector<Filter> carrierFilters;
  for (int i = 0; i < bands; ++i) carrierFilters.emplace_back(b.carrierCenter[i], b.carrierWidth[i], rate);
  std::vector<int32_t> out;
  for (size_t t = 0; t < carrier.size(); ++t) {
    if (t >= control.size()) {
      out.push_back(carrier[t]);
      continue;
    }
    for (int i = 0; i < bands; ++i) ce[size_t(i)].Step(envelope(cf[size_t(i)], control[t] - centre));
    // Four sums over the bands i = 0, 1, 2, 3 (mod 4), then (s0 + s1) + (s2 + s3).
    double lane[4] = {0, 0, 0, 0};
    for (int i = 0; i < bands; ++i)
      lane[i % 4] += double(b.weight[i]) * double(ce[size_t(i)].average) *
                     double(carrierFilters[size_t(i)].Step(float(carrier[t] - centre)));
    const double s = (lane[0] + lane[1]) + (lane[2] + lane[3]);
    const double o = k * s;
    if (bits == 8) out.push_back(o < -128 ? 0 : o > 127 ? 255 : int32_t(o + 128));
    else out.push_back(o < -32768 ? -32768 : o > 32767 ? 32767 : int32_t(o));
  }
  return out;
}

std::vector<int32_t> Vocode(const std::vector<int32_t>& control, const std::vector<int32_t>& carrier,
                         tonemill::AudioFormat format, const Bands& b, int bands, int window,
                         int32_t amp256, int32_t normalize, Counters* counters = nullptr) {
  TempDir dir;
  WriteWav(dir.File("control.wav"), format, control);
  WriteWav(dir.File("in.wav"), format, carrier);
  Counters local;
  Counters& n = counters ? *counters : local;
  const std::string controlFile = dir.File("control.wav");
  EXPECT_EQ(RunVocode(Call(dir.File("in.wav"), dir.File("out.wav"), n),
                      Parameters(controlFile, b, bands, window, amp256, normalize)),
            0);
  return ReadWav(dir.File("out.wav")).samples;
}

TEST(Vocoder, FollowsItsDefinition) {
  const Bands b;
  const std::vector<int32_t> control = Sine(3000, 800, 11025, 12000), carrier = Sine(3000, 1300, 11025, 20000);
  for (int bands : {1, 5, 32})
    for (int normalize : {0, 1}) {
      EXPECT_EQ(Vocode(control, carrier, {11025, 16, 1}, b, bands, 40, 300, normalize),
                Reference(control, carrier, 16, 11025, b, bands, 40, 300, normalize))
          << bands << " " << normalize;
    }
  const std::vector<int32_t> control8 = Sine(2000, 500, 22050, 100, 128), carrier8 = Sine(2000, 700, 22050, 90, 128);
  EXPECT_EQ(Vocode(control8, carrier8, {22050, 8, 1}, b, 4, 7, 512, 1),
            Reference(control8, carrier8, 8, 22050, b, 4, 7, 512, true));
}

TEST(Vocoder, NormalisedLevelFollowsTheCarrierBand) {
  // One band, the same for both signals, a steady sine in it: the output comes out at about
  // amplification × weight × the carrier's level in the band.
  Bands b;
  b.controlCenter[0] = b.carrierCenter[0] = 1000;
  b.controlWidth[0] = b.carrierWidth[0] = 400;
  const std::vector<int32_t> y = Vocode(Sine(8000, 1000, 22050, 5000), Sine(8000, 1000, 22050, 8000),
                                     {22050, 16, 1}, b, 1, 441, 256, 1);
  int32_t peak = 0;
  for (size_t i = 6000; i < y.size(); ++i) peak = std::max(peak, std::abs(y[i]));
  EXPECT_NEAR(peak, 8000, 800);
}

TEST(Vocoder, EdgeCases) {
  const Bands b;
  const std::vector<int32_t> carrier = Sine(3000, 1300, 11025, 20000);
  // A silent control file gives a silent range, normalised or not.
  for (int normalize : {0, 1})
    EXPECT_EQ(Vocode(std::vector<int32_t>(3000, 0), carrier, {11025, 16, 1}, b, 32, 10, 256, normalize),
              std::vector<int32_t>(3000, 0));
  // A weight of 0 removes its band: one band of weight 0 is silence.
  Bands silent = b;
  silent.weight[0] = 0;
  const std::vector<int32_t> control = Sine(3000, 300, 11025, 20000);
  EXPECT_EQ(Vocode(control, carrier, {11025, 16, 1}, silent, 1, 10, 256, 0), std::vector<int32_t>(3000, 0));
  // Windows above 900 frames are 900 frames.
  EXPECT_EQ(Vocode(control, carrier, {11025, 16, 1}, b, 3, 5000, 256, 1),
            Vocode(control, carrier, {11025, 16, 1}, b, 3, 900, 256, 1));
  // A control file shorter than the range shortens it by its frames; the rest is copied.
  const std::vector<int32_t> shortControl(control.begin(), control.begin() + 1000);
  const std::vector<int32_t> y = Vocode(shortControl, carrier, {11025, 16, 1}, b, 3, 10, 256, 0);
  EXPECT_EQ(std::vector<int32_t>(y.begin() + 1000, y.end()), std::vector<int32_t>(carrier.begin() + 1000, carrier.end()));
  EXPECT_NE(y[999], carrier[999]);
  // A zero width gives a silent band instead of NaN coefficients.
  Bands zero = b;
  zero.controlWidth[0] = zero.carrierWidth[0] = 0;
  EXPECT_EQ(Vocode(control, carrier, {11025, 16, 1}, zero, 1, 10, 256, 0), std::vector<int32_t>(3000, 0));
  // With normalisation the prescan's bytes count into total and progress.
  Counters n;
  Vocode(control, carrier, {11025, 16, 1}, b, 2, 10, 256, 1, &n);
  EXPECT_EQ(n.total, 12000);
  EXPECT_EQ(n.progress, 12000);
}

TEST(Vocoder, StereoControlFeedsEachCarrierChannelItsOwnEnvelopes) {
  Bands b;
  b.controlCenter[0] = b.carrierCenter[0] = 1000;
  b.controlWidth[0] = b.carrierWidth[0] = 400;
  // Control: a tone on the left only; carrier: the same tone on both sides.
  const std::vector<int32_t> tone = Sine(4000, 1000, 22050, 10000);
  std::vector<int32_t> control, carrier;
  for (int32_t v : tone) {
    control.insert(control.end(), {v, 0});
    carrier.insert(carrier.end(), {v, v});
  }
  const std::vector<int32_t> y = Vocode(control, carrier, {22050, 16, 2}, b, 1, 100, 256, 0);
  int32_t left = 0, right = 0;
  for (size_t i = 4000; i < y.size(); i += 2) {
    left = std::max(left, std::abs(y[i]));
    right = std::max(right, std::abs(y[i + 1]));
  }
  EXPECT_GT(left, 100);
  EXPECT_EQ(right, 0);
}

TEST(Vocoder, UnusableControlFileGivesItsStatusAndNoOutput) {
  TempDir dir;
  const Bands b;
  WriteWav(dir.File("in.wav"), {11025, 16, 1}, Sine(100, 300, 11025, 1000));
  WriteBytes(dir.File("bad.wav"), std::vector<uint8_t>(64, 'z'));
  for (const char* control : {"bad.wav", "missing.wav"}) {
    Counters n;
    const std::string path = dir.File(control);
    EXPECT_EQ(RunVocode(Call(dir.File("in.wav"), dir.File("out.wav"), n),
                        Parameters(path, b, 4, 10, 256, 1)),
              kEffectBadControl);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.wav")));
  }
}

}  // namespace
