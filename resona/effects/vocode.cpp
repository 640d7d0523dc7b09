#include "vocode.h"

#include "delayline.h"
#include "filters.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace resona::effects {
namespace {

// Band state is laid out band by band in fixed arrays, so that the loops over the bands run
// across contiguous memory and the compiler can vectorise them; every band keeps its own
// arithmetic, so the bits are those of one band at a time.
struct BandFilters {
  alignas(32) float a0[kMaxBands] = {}, b1[kMaxBands] = {}, b2[kMaxBands] = {};
  alignas(32) float x1[2][kMaxBands] = {}, x2[2][kMaxBands] = {};
  alignas(32) float y1[2][kMaxBands] = {}, y2[2][kMaxBands] = {};

  void Set(const int32_t* centre, const int32_t* width, int32_t rate, int bands) {
    for (int i = 0; i < bands; ++i) {
      const BandPassCoefficients k = BandPassFor(centre[i], width[i], rate);
      a0[i] = k.a0;
      b1[i] = k.b1;
      b2[i] = k.b2;
    }
  }
  void Clear() {
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < kMaxBands; ++i) x1[c][i] = x2[c][i] = y1[c][i] = y2[c][i] = 0;
  }
};

// The moving averages of one control channel: every band's window has the same length and
// advances in step, so one position serves all and the window is stored [position][band].
// The window sums are 32-bit for 8/16-bit controls; a wider control's would overflow them
// (900 × 2^23), and it keeps 64-bit sums.
template <class Sum>
struct Envelopes {
  ZeroedArray window;
  int32_t length = 1, pos = 0;
  alignas(32) Sum sum[kMaxBands] = {};
  alignas(32) float average[kMaxBands] = {};

  bool Allocate(int32_t n) {
    length = n;
    window = AllocateZeroed(int64_t(n) * kMaxBands);
    return window != nullptr;
  }
  void Clear() {
    std::fill(window.get(), window.get() + int64_t(length) * kMaxBands, 0);
    std::fill(std::begin(sum), std::end(sum), Sum(0));
    std::fill(std::begin(average), std::end(average), 0.0f);
    pos = 0;
  }
};

// The two band loops run over all 32 bands: an unused band has zero coefficients, a zero
// envelope and a zero weight, so it adds +0 and changes no sum. They are built for AVX2 as well
// as the baseline and chosen at load time; neither build contracts multiplies into adds, so both
// give the same bits.
#define RESONA_BAND_KERNEL __attribute__((target_clones("avx2", "default")))

// One control sample into every band's envelope: e = |trunc(y)| limited to the control's full
// scale (a runaway band reads as full scale), then the moving average.
template <class Sum>
__attribute__((always_inline)) inline void EnvelopeBandsOf(BandFilters& f, int c, int32_t x, float limit,
                                                           Envelopes<Sum>& env) {
  const float xf = float(x);
  int32_t* slot = env.window.get() + int64_t(env.pos) * kMaxBands;
  const float n = float(env.length);
  for (int i = 0; i < kMaxBands; ++i) {
    const float y = (xf - f.x2[c][i]) * f.a0[i] - f.b1[i] * f.y1[c][i] - f.b2[i] * f.y2[c][i];
    f.x2[c][i] = f.x1[c][i];
    f.x1[c][i] = xf;
    f.y2[c][i] = f.y1[c][i];
    f.y1[c][i] = y;
    const float magnitude = std::fabs(y);
    const int32_t e = int32_t(magnitude < limit ? magnitude : limit);
    env.sum[i] = env.sum[i] + Sum(e) - Sum(slot[i]);
    env.average[i] = float(env.sum[i]) / n;
    slot[i] = e;
  }
  if (++env.pos == env.length) env.pos = 0;
}

RESONA_BAND_KERNEL
void EnvelopeBands(BandFilters& f, int c, int32_t x, float limit, Envelopes<int32_t>& env) {
  EnvelopeBandsOf(f, c, x, limit, env);
}
RESONA_BAND_KERNEL
void EnvelopeBands(BandFilters& f, int c, int32_t x, float limit, Envelopes<int64_t>& env) {
  EnvelopeBandsOf(f, c, x, limit, env);
}

// The band sum of one carrier sample in double: each term weight × envelope × band output; the
// terms of bands i ≡ 0, 1, 2, 3 (mod 4) are added in band order into four sums, which are then
// added as (s0 + s1) + (s2 + s3).
RESONA_BAND_KERNEL
double CarrierSum(BandFilters& f, int c, int32_t x, const float* average, const double* weight) {
  const float xf = float(x);
  double lanes[4] = {0.0, 0.0, 0.0, 0.0};
  for (int i = 0; i < kMaxBands; i += 4) {
    for (int l = 0; l < 4; ++l) {
      const int b = i + l;
      const float y = (xf - f.x2[c][b]) * f.a0[b] - f.b1[b] * f.y1[c][b] - f.b2[b] * f.y2[c][b];
      f.x2[c][b] = f.x1[c][b];
      f.x1[c][b] = xf;
      f.y2[c][b] = f.y1[c][b];
      f.y1[c][b] = y;
      lanes[l] += weight[b] * double(average[b]) * double(y);
    }
  }
  return (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
}

class VocoderBase {
 public:
  virtual ~VocoderBase() = default;
  virtual bool Allocate() = 0;
  virtual bool OpenControl() = 0;
  virtual bool Prescan(EffectFrame& frame) = 0;
  virtual void SetScale() = 0;
  virtual void Process(EffectFrame& frame) = 0;
};

// The control's full scale: 2^(bits - 1), 2^31 for float.
double FullScale(const InputFormat& f) { return f.Full() ? 2147483648.0 : double(int64_t(f.hi) + 1); }

template <class Sum>
class Vocoder final : public VocoderBase {
 public:
  Vocoder(const VocodeParameters& p, const InputFormat& carrier, const InputFormat& control)
      : p_(p), carrier_(carrier), control_(control) {
    bands_ = std::clamp(p.bandCount, 1, kMaxBands);
    controlFilters_.Set(p.controlCenter, p.controlWidth, control.rate, bands_);
    carrierFilters_.Set(p.carrierCenter, p.carrierWidth, carrier.rate, bands_);
    for (int i = 0; i < bands_; ++i) weight_[i] = double(p.weight256[i]);
    // The largest single-precision value below 2^31 stands for a 32-bit control's full scale.
    limit_ = control.Full() ? 2147483520.0f : float(control.hi);
    eightOut_ = carrier.bits == 8;
    lo_ = double(carrier.lo);
    hi_ = double(carrier.hi);
  }

  bool Allocate() override {
    const int32_t n = std::clamp(p_.windowFrames, 1, kMaxWindowFrames);
    for (int c = 0; c < control_.channels; ++c)
      if (!envelopes_[c].Allocate(n)) return false;
    return true;
  }
  bool OpenControl() override { return reader_.Open(p_.controlFile, control_.dataOffset); }

  // Reads the whole control file once for the loudest envelope; false when cancelled.
  bool Prescan(EffectFrame& frame) override {
    frame.AddExtraWork(control_.dataBytes);
    int64_t left = control_.frames;
    std::vector<uint8_t> block;
    while (left > 0) {
      const int32_t frames = int32_t(std::min<int64_t>(left, frame.Clock().Room()));
      const size_t bytes = size_t(frames) * size_t(control_.bytesPerFrame);
      block.resize(bytes + detail::kDecodeSlack);
      const size_t got = reader_.Read(block.data(), bytes);
      if (got < bytes) std::fill(block.begin() + std::ptrdiff_t(got), block.end(), uint8_t(0));
      for (int32_t f = 0; f < frames; ++f) {
        Envelope(block.data() + size_t(f) * size_t(control_.bytesPerFrame));
        for (int c = 0; c < control_.channels; ++c)
          for (int i = 0; i < bands_; ++i) peak_ = std::max(peak_, envelopes_[c].average[i]);
      }
      left -= frames;
      if (!frame.AdvanceExtra(frames * control_.bytesPerFrame, frames)) return false;
    }
    controlFilters_.Clear();
    for (int c = 0; c < control_.channels; ++c) envelopes_[c].Clear();
    return reader_.Seek(control_.dataOffset);
  }

  // k in double: amp256 over the loudest envelope, or over full scale, then / 65536.
  void SetScale() override {
    if (p_.normalize != 0 && peak_ > 0.0f) k_ = double(p_.amp256) / double(peak_);
    else k_ = double(p_.amp256) * (1.0 / FullScale(control_));
    k_ = k_ * (1.0 / 65536.0);
  }

  void Process(EffectFrame& frame) override { frame.Process(*this); }

  void BeginFrame() {
    uint8_t bytes[16 + detail::kDecodeSlack] = {};
    reader_.Read(bytes, size_t(control_.bytesPerFrame));
    Envelope(bytes);
  }
  void EndFrame() {}

  int32_t Step(int c, int32_t x) {
    const float* average = envelopes_[control_.channels == 2 ? c : 0].average;
    const double out = k_ * CarrierSum(carrierFilters_, c, x, average, weight_);
    if (eightOut_) {
      if (out < -128.0) return -128;
      if (out > 127.0) return 127;
      if (!(out == out)) return 0;
      return int32_t(out + 128.0) - 128;
    }
    if (out < lo_) return int32_t(lo_);
    if (out > hi_) return int32_t(hi_);
    if (!(out == out)) return 0;
    return int32_t(out);
  }

 private:
  int32_t Sample(const uint8_t* q, int c) const {
    if (control_.bits == 8) return int32_t(q[0]) - 128;
    if (control_.bits == 16 && !control_.Wide()) return int16_t(uint16_t(q[0] | (q[1] << 8)));
    int32_t v = 0;
    detail::DecodeWide(control_, q, 1, c, &v);
    return v;
  }
  // One control frame into every band's envelope: a mono control file feeds both carrier
  // channels from one set of averages.
  void Envelope(const uint8_t* frame) {
    const int bytes = control_.bits / 8;
    for (int c = 0; c < control_.channels; ++c)
      EnvelopeBands(controlFilters_, c, Sample(control_.Wide() ? frame : frame + c * bytes, c), limit_,
                    envelopes_[c]);
  }

  const VocodeParameters& p_;
  InputFormat carrier_, control_;
  int bands_ = 1;
  float limit_ = 32767.0f;
  bool eightOut_ = false;
  double lo_ = -32768.0, hi_ = 32767.0;
  double k_ = 0;
  float peak_ = 0;
  alignas(32) double weight_[kMaxBands] = {};
  BandFilters controlFilters_, carrierFilters_;
  Envelopes<Sum> envelopes_[2];
  ByteReader reader_;
};

}  // namespace

int32_t RunVocode(const EffectCall& call, const VocodeParameters& p) {
  if (!p.controlCenter || !p.controlWidth || !p.carrierCenter || !p.carrierWidth || !p.weight256)
    return kEffectBadArgument;
  EffectFrame frame;
  if (int32_t status = frame.Open(call)) return status;
  InputFormat control;
  if (!ReadInputFormat(p.controlFile, control)) return kEffectBadControl;
  // Checked and allocated before the output is created, so that a failure leaves no file.
  std::unique_ptr<VocoderBase> vocoder;
  if (control.Wide()) vocoder = std::make_unique<Vocoder<int64_t>>(p, frame.Input(), control);
  else vocoder = std::make_unique<Vocoder<int32_t>>(p, frame.Input(), control);
  if (!vocoder->OpenControl()) return kEffectBadControl;
  if (!vocoder->Allocate()) return kEffectOutOfMemory;
  // Each processed carrier frame takes one control frame.
  frame.LimitFrames(control.frames);
  if (int32_t status = frame.Begin()) return status;
  if (p.normalize == 0 || vocoder->Prescan(frame)) {
    vocoder->SetScale();
    vocoder->Process(frame);
  }
  vocoder.reset();
  return frame.Finish();
}

}  // namespace resona::effects
