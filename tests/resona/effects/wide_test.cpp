// The effect exports on 24/32-bit PCM and float files at 48 and 96 kHz, called through the
// shared library: the output keeps the input's format, the 24-bit echo follows its formula, and
// every effect at a wide width hears the same signal as at 16 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "resona/resona.h"
#include "resona/wavefile.h"
#include "tests/support/testfiles.h"

using namespace testing_support;

namespace {

struct Form {
  int tag, bits, rate, channels;
  bool extensible = false;
};

// A 16-bit value at the form's scale: 24 bits << 8, 32 bits << 16, float / 32768.
double Scale(const Form& f) {
  return f.tag == 3 ? 1.0 / 32768.0 : f.bits == 24 ? 256.0 : f.bits == 32 ? 65536.0 : 1.0;
}

void PutSample(std::vector<uint8_t>& out, const Form& f, double v) {
  if (f.tag == 3 && f.bits == 32) {
    const float r = float(v);
    const auto* p = reinterpret_cast<const uint8_t*>(&r);
    out.insert(out.end(), p, p + 4);
  } else if (f.tag == 3) {
    const auto* p = reinterpret_cast<const uint8_t*>(&v);
    out.insert(out.end(), p, p + 8);
  } else {
    const uint32_t u = uint32_t(int32_t(std::lrint(v)));
    for (int b = 0; b < f.bits / 8; ++b) out.push_back(uint8_t(u >> (8 * b)));
  }
}

// A WAV file of `samples` (interleaved, already at the form's scale); `cut` bytes are left off
// the end while the data chunk still claims them.
void WriteForm(const std::string& path, const Form& f, const std::vector<double>& samples, size_t cut = 0) {
  std::vector<uint8_t> data;
  for (double v : samples) PutSample(data, f, v);
  const uint32_t dataSize = uint32_t(data.size());
  data.resize(data.size() - cut);
  std::vector<uint8_t> fmt;
  const uint32_t align = uint32_t(f.channels * f.bits / 8);
  PutLe16(fmt, f.extensible ? 0xFFFE : uint32_t(f.tag));
  PutLe16(fmt, uint32_t(f.channels));
  PutLe32(fmt, uint32_t(f.rate));
  PutLe32(fmt, uint32_t(f.rate) * align);
  PutLe16(fmt, align);
  PutLe16(fmt, uint32_t(f.bits));
  if (f.extensible) {
    PutLe16(fmt, 22);
    PutLe16(fmt, uint32_t(f.bits));
    PutLe32(fmt, f.channels == 2 ? 3 : 4);
    PutLe16(fmt, uint32_t(f.tag));
    const uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    fmt.insert(fmt.end(), guidTail, guidTail + 14);
  }
  std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
  PutLe32(file, uint32_t(4 + 8 + fmt.size() + 8 + dataSize));
  for (char c : std::string("WAVEfmt ")) file.push_back(uint8_t(c));
  PutLe32(file, uint32_t(fmt.size()));
  file.insert(file.end(), fmt.begin(), fmt.end());
  for (char c : std::string("data")) file.push_back(uint8_t(c));
  PutLe32(file, dataSize);
  file.insert(file.end(), data.begin(), data.end());
  WriteBytes(path, file);
}

// An output file: its canonical header checked against the form, its samples at the form's scale.
std::vector<double> ReadForm(const std::string& path, const Form& f) {
  const std::vector<uint8_t> b = ReadBytes(path);
  EXPECT_GE(b.size(), 44u);
  if (b.size() < 44) return {};
  const uint8_t* h = b.data();
  EXPECT_EQ(resona::Le32(h + 16), 16u) << path;
  EXPECT_EQ(resona::Le16(h + 20), uint32_t(f.tag));
  EXPECT_EQ(resona::Le16(h + 22), uint32_t(f.channels));
  EXPECT_EQ(resona::Le32(h + 24), uint32_t(f.rate));
  EXPECT_EQ(resona::Le16(h + 34), uint32_t(f.bits));
  const uint32_t size = resona::Le32(h + 40);
  EXPECT_EQ(size + 44 + (size & 1), b.size());
  EXPECT_EQ(resona::Le32(h + 4), uint32_t(b.size() - 8));
  std::vector<double> out;
  const int bytes = f.bits / 8;
  for (uint32_t i = 0; i + uint32_t(bytes) <= size; i += uint32_t(bytes)) {
    const uint8_t* p = h + 44 + i;
    if (f.tag == 3 && bytes == 4) {
      float v;
      std::memcpy(&v, p, 4);
      out.push_back(v);
    } else if (f.tag == 3) {
      double v;
      std::memcpy(&v, p, 8);
      out.push_back(v);
    } else {
      uint32_t u = 0;
      for (int k = 0; k < bytes; ++k) u |= uint32_t(p[k]) << (8 * k);
      out.push_back(bytes == 3   ? double(int32_t(u << 8) >> 8)
                    : bytes == 2 ? double(int16_t(u))
                                 : double(int32_t(u)));
    }
  }
  return out;
}

// Two channels of tones at 16-bit scale with an impulse, loud enough for the echo to clip.
std::vector<double> Signal(const Form& f, int frames, double a = 1.0) {
  std::vector<double> s;
  for (int n = 0; n < frames; ++n)
    for (int c = 0; c < f.channels; ++c) {
      const double t = double(n) / f.rate;
      double v = 14000 * std::sin(2 * M_PI * (440 + 220 * c) * t) + 5000 * std::sin(2 * M_PI * 1234 * t);
      if (n == 100) v = 30000;
      s.push_back(std::trunc(a * v));
    }
  return s;
}

struct Tables {
  std::vector<int32_t> sine, cosine;
  int32_t centre[32], width[32], weight[32];
  explicit Tables(int rate) : sine(1608), cosine(1608) {
    for (int i = 0; i < 1608; ++i) {
      sine[size_t(i)] = int32_t(std::lrint(65536 * std::sin(2 * M_PI * i / 1608)));
      cosine[size_t(i)] = int32_t(std::lrint(65536 * std::cos(2 * M_PI * i / 1608)));
    }
    for (int i = 0; i < 32; ++i) {
      centre[i] = (rate / 2) * (2 * i + 1) / 64;
      width[i] = rate / 128;
      weight[i] = 256;
    }
  }
};

// One effect call from the input to the output file, with the form's rate for its times.
using Effect =
    std::function<int32_t(const std::string& in, const std::string& out, const std::string& control, int rate,
                          int32_t* progress, int32_t* total)>;

struct Named {
  const char* name;
  Effect run;
};

int32_t Reverb(int algorithm, const std::string& in, const std::string& out, int32_t* p, int32_t* t) {
  return wavreverb(in.c_str(), out.c_str(), algorithm, 0, INT32_MAX, 1500, 20, 128, 100, 30, 30, 30, 30, 30,
                   30, 20, 20, 20, 20, 20, 20, 0, 0, p, t);
}

const std::vector<Named>& Effects() {
  static const std::vector<Named> effects = {
      {
          "echo",
          [](auto& in, auto& out, auto&, int rate, int32_t* p, int32_t* t) {
            return wavecho(in.c_str(), out.c_str(), 0, INT32_MAX, rate / 100, 160, 200, 0, 0, p, t);
          },
      },
      {
          "chorus",
          [](auto& in, auto& out, auto&, int rate, int32_t* p, int32_t* t) {
            const Tables tables(rate);
            return wavflange(in.c_str(), out.c_str(), 0, INT32_MAX, rate / 50, rate / 200, 1, rate, 256, 200,
                             100, 0, 0, p, t, tables.sine.data(), tables.cosine.data());
          },
      },
      {"chamber",
       [](auto& in, auto& out, auto&, int, int32_t* p, int32_t* t) { return Reverb(1, in, out, p, t); }},
      {"chapel",
       [](auto& in, auto& out, auto&, int, int32_t* p, int32_t* t) { return Reverb(2, in, out, p, t); }},
      {"hall",
       [](auto& in, auto& out, auto&, int, int32_t* p, int32_t* t) { return Reverb(3, in, out, p, t); }},
      {"custom",
       [](auto& in, auto& out, auto&, int, int32_t* p, int32_t* t) { return Reverb(4, in, out, p, t); }},
      {
          "vocoder",
          [](auto& in, auto& out, auto& control, int rate, int32_t* p, int32_t* t) {
            const Tables b(rate);
            return vocode(control.c_str(), in.c_str(), out.c_str(), 0, INT32_MAX, rate / 200, 32, 256, 0, 0,
                          0, b.centre, b.width, b.centre, b.width, b.weight, p, t);
          },
      },
      {
          "vocoder normalised",
          [](auto& in, auto& out, auto& control, int rate, int32_t* p, int32_t* t) {
            const Tables b(rate);
            return vocode(control.c_str(), in.c_str(), out.c_str(), 0, INT32_MAX, rate / 200, 32, 64, 0, 0, 1,
                          b.centre, b.width, b.centre, b.width, b.weight, p, t);
          },
      },
  };
  return effects;
}

const Form kWide[] = {
    {1, 24, 48000, 2, true}, {1, 24, 96000, 1}, {1, 32, 48000, 2},
    {3, 32, 96000, 2},       {3, 64, 44100, 1}, {3, 32, 48000, 1, true},
};

// Each effect on each wide form against the same effect on the same signal at 16 bits: the
// output has the input's format and, brought to 16-bit scale, stays within a few steps of the
// 16-bit output.
TEST(WideEffects, EachWidthHearsWhatSixteenBitsHear) {
  TempDir dir;
  for (const Form& f : kWide) {
    const int frames = f.rate / 5;
    const Form narrow{1, 16, f.rate, f.channels};
    const std::vector<double> signal = Signal(f, frames), control = Signal(f, frames, 0.5);
    std::vector<double> wide(signal), wideControl(control);
    for (double& v : wide) v *= Scale(f);
    for (double& v : wideControl) v *= Scale(f);
    WriteForm(dir.File("n.wav"), narrow, signal);
    WriteForm(dir.File("nc.wav"), narrow, control);
    WriteForm(dir.File("w.wav"), f, wide);
    WriteForm(dir.File("wc.wav"), f, wideControl);
    for (const Named& e : Effects()) {
      SCOPED_TRACE(std::string(e.name) + " tag " + std::to_string(f.tag) + " bits " + std::to_string(f.bits) +
                   " rate " + std::to_string(f.rate));
      int32_t progress = 0, total = 0;
      ASSERT_EQ(e.run(dir.File("n.wav"), dir.File("n.out"), dir.File("nc.wav"), f.rate, &progress, &total),
                0);
      ASSERT_EQ(e.run(dir.File("w.wav"), dir.File("w.out"), dir.File("wc.wav"), f.rate, &progress, &total),
                0);
      EXPECT_EQ(total, int32_t(frames * f.channels * f.bits / 8) *
                           (e.name == std::string("vocoder normalised") ? 2 : 1));
      const std::vector<double> expected = ReadForm(dir.File("n.out"), narrow);
      const std::vector<double> got = ReadForm(dir.File("w.out"), f);
      ASSERT_EQ(got.size(), expected.size());
      double worst = 0, changed = 0;
      for (size_t i = 0; i < got.size(); ++i) {
        worst = std::max(worst, std::fabs(got[i] / Scale(f) - expected[i]));
        changed = std::max(changed, std::fabs(expected[i] - signal[i]));
      }
      EXPECT_LE(worst, 4.0);     // steps at 16 bits: roundings apart
      EXPECT_GT(changed, 1000);  // the effect did something
    }
  }
}

// The echo at 24 bits, from its formula: y = clamp24(x + d), line = (F·d + L·x) >> 8.
TEST(WideEffects, TwentyFourBitEchoFollowsItsFormula) {
  TempDir dir;
  const Form f{1, 24, 48000, 2};
  const int frames = 6000, delay = 333, feedback = 230, level = 250;
  std::vector<double> x = Signal(f, frames, 1.0);
  for (double& v : x) v *= 256.0 * 1.1;
  for (double& v : x) v = std::clamp(std::trunc(v), -8388608.0, 8388607.0);
  WriteForm(dir.File("in.wav"), f, x);
  int32_t progress = 0, total = 0;
  ASSERT_EQ(wavecho(dir.File("in.wav").c_str(), dir.File("out.wav").c_str(), 0, INT32_MAX, delay, feedback,
                    level, 0, 0, &progress, &total),
            0);
  const std::vector<double> got = ReadForm(dir.File("out.wav"), f);
  ASSERT_EQ(got.size(), x.size());
  std::vector<int64_t> line(size_t(2 * delay), 0);
  int clipped = 0;
  for (int n = 0; n < frames; ++n)
    for (int c = 0; c < 2; ++c) {
      const int64_t xi = int64_t(x[size_t(2 * n + c)]);
      int64_t& d = line[size_t(c * delay + n % delay)];
      const int64_t y = std::clamp<int64_t>(xi + d, -(1 << 23), (1 << 23) - 1);
      clipped += y != xi + d;
      d = (feedback * d + level * xi) >> 8;
      ASSERT_EQ(got[size_t(2 * n + c)], double(y)) << n << " " << c;
    }
  EXPECT_GT(clipped, 0);  // the clamp is at 24 bits, the line keeps what lies beyond
}

// A file cut short keeps its whole frames; formats beyond the widths, rates and channel counts
// are refused with nothing written; a float file is still not one the renderer's reader takes.
TEST(WideEffects, CutFilesAndRefusedFormats) {
  TempDir dir;
  const Form f{1, 24, 48000, 1};
  // 1999 frames and 2 bytes of a 2001-frame data chunk: the output's odd data size is padded.
  WriteForm(dir.File("cut.wav"), f, std::vector<double>(2001, 1000.0), 4);
  int32_t progress = 0, total = 0;
  ASSERT_EQ(wavecho(dir.File("cut.wav").c_str(), dir.File("out.wav").c_str(), 0, INT32_MAX, 10, 0, 256, 0, 0,
                    &progress, &total),
            0);
  const std::vector<double> got = ReadForm(dir.File("out.wav"), f);
  EXPECT_EQ(got.size(), 1999u);
  EXPECT_EQ(got[9], 1000.0);
  EXPECT_EQ(got[10], 2000.0);

  // A float channel left out keeps its bytes, even beyond full scale; the processed one is
  // clamped to ±1.0; frames outside the range are copied.
  const Form stereo{3, 32, 48000, 2};
  std::vector<double> lr;
  for (int n = 0; n < 100; ++n) lr.insert(lr.end(), {1.5, 0.75});
  WriteForm(dir.File("lr.wav"), stereo, lr);
  ASSERT_EQ(wavecho(dir.File("lr.wav").c_str(), dir.File("lr.out").c_str(), 10, 89, 5, 0, 256, 0, 1,
                    &progress, &total),
            0);
  const std::vector<double> both = ReadForm(dir.File("lr.out"), stereo);
  ASSERT_EQ(both.size(), 200u);
  for (int n = 0; n < 100; ++n) {
    EXPECT_EQ(both[size_t(2 * n)], 1.5);
    EXPECT_EQ(both[size_t(2 * n + 1)], n >= 15 && n <= 89 ? 1.0 : 0.75) << n;
  }

  const Form refused[] = {{1, 24, 7999, 1},  {1, 24, 192001, 1}, {1, 24, 48000, 3},
                          {3, 16, 48000, 1}, {1, 20, 48000, 1},  {3, 24, 48000, 1, true}};
  for (const Form& r : refused) {
    WriteForm(dir.File("r.wav"), r, std::vector<double>(64, 0.0));
    std::remove(dir.File("r.out").c_str());
    EXPECT_EQ(wavecho(dir.File("r.wav").c_str(), dir.File("r.out").c_str(), 0, INT32_MAX, 10, 0, 256, 0, 0,
                      &progress, &total),
              2)
        << r.tag << " " << r.bits << " " << r.rate << " " << r.channels;
    EXPECT_FALSE(std::filesystem::exists(dir.File("r.out")));
  }
  WriteForm(dir.File("f.wav"), {3, 32, 48000, 1}, std::vector<double>(64, 0.0));
  EXPECT_EQ(resona::ReadWaveInfo(dir.File("f.wav").c_str()).valid, 0);
  EXPECT_EQ(resona::ReadWaveFormat(dir.File("f.wav").c_str()).valid, 1);
}

// Files as another tool writes them (extensible format chunks, fact chunks) are taken, and the
// output is the canonical form of the same format.
TEST(WideEffects, FilesFromSox) {
  if (std::system("sox --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
  TempDir dir;
  struct Case {
    const char* options;
    Form form;
  } cases[] = {{"-b 24 -c 2 -r 48000", {1, 24, 48000, 2}},
               {"-b 32 -c 1 -r 96000", {1, 32, 96000, 1}},
               {"-e floating-point -b 32 -c 2 -r 96000", {3, 32, 96000, 2}},
               {"-e floating-point -b 64 -c 1 -r 44100", {3, 64, 44100, 1}}};
  for (const Case& c : cases) {
    const std::string in = dir.File("s.wav"), out = dir.File("o.wav");
    ASSERT_EQ(std::system(("sox -n " + std::string(c.options) + " " + in + " synth 0.1 sine 500").c_str()),
              0);
    int32_t progress = 0, total = 0;
    ASSERT_EQ(wavecho(in.c_str(), out.c_str(), 0, INT32_MAX, 100, 100, 100, 0, 0, &progress, &total), 0)
        << c.options;
    EXPECT_EQ(ReadForm(out, c.form).size(), size_t(c.form.rate / 10 * c.form.channels)) << c.options;
  }
}

}  // namespace
