#include "reverb.h"

#include "delayline.h"
#include "filters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace resona::effects {
namespace {

struct Tap {
  double seconds;
  float gain;
};
constexpr Tap kEarlyTaps[19] = {
    {0.0043, 0.75f},  {0.0043, 0.841f}, {0.0215, 0.504f}, {0.0225, 0.491f}, {0.0268, 0.379f},
    {0.0270, 0.380f}, {0.0298, 0.346f}, {0.0458, 0.289f}, {0.0485, 0.272f}, {0.0572, 0.192f},
    {0.0587, 0.193f}, {0.0595, 0.217f}, {0.0612, 0.181f}, {0.0707, 0.180f}, {0.0708, 0.181f},
    {0.0726, 0.176f}, {0.0741, 0.142f}, {0.0753, 0.167f}, {0.0797, 0.134f}};

// A point of a room model: n ms (trunc(rate × n ÷ 1000) frames, in double) plus k frames.
struct Point {
  double ms;
  int32_t plus;
};
struct Section {
  Point a, b;
  float g;
};
struct OutputTap {
  Point t;
  float gain;
};
struct RoomModel {
  Point size;
  std::vector<Section> sections;
  std::vector<OutputTap> taps;
  Point lowpassInput;
  bool recirculates;
  Point recirculation;
};

const RoomModel& Room(ReverbModel model) {
  static const RoomModel chamber{{125, 1},
                                 {{{24, 0}, {59, 0}, 0.3f},
                                  {{24, 1}, {46, 1}, 0.4f},
                                  {{46, 2}, {54.3, 0}, 0.6f},
                                  {{59, 0}, {125, 0}, 0.1f},
                                  {{59, 1}, {89, 1}, 0.4f}},
                                 {{{59, 0}, 0.5f}, {{125, 0}, 0.5f}},
                                 {89, 1},
                                 false,
                                 {0, 0}};
  static const RoomModel chapel{{299, 1},
                                {{{0, 0}, {35, 0}, 0.3f},
                                 {{0, 1}, {8.3, 0}, 0.7f},
                                 {{8.3, 1}, {30.3, 1}, 0.5f},
                                 {{40, 0}, {70, 1}, 0.5f},
                                 {{152, 0}, {191, 0}, 0.3f},
                                 {{152, 1}, {161.8, 1}, 0.6f}},
                                {{{24, 0}, 0.5f}, {{159, 0}, 0.5f}, {{282, 0}, 0.5f}},
                                {161.8, 1},
                                true,
                                {282, 1}};
  static const RoomModel hall{{282, 1},
                              {{{0, 0}, {8, 0}, 0.3f},
                               {{8, 1}, {20, 1}, 0.3f},
                               {{41, 0}, {128, 0}, 0.5f},
                               {{41, 1}, {103, 1}, 0.25f},
                               {{162, 0}, {282, 0}, 0.5f},
                               {{162, 1}, {238, 1}, 0.25f},
                               {{238, 2}, {268, 2}, 0.25f}},
                              {{{24, 0}, 0.34f}, {{159, 0}, 0.14f}, {{282, 0}, 0.14f}},
                              {268, 2},
                              false,
                              {0, 0}};
  return model == ReverbModel::Chapel ? chapel : model == ReverbModel::Hall ? hall : chamber;
}

int64_t FramesOf(const Point& p, int32_t rate) {
  return int64_t(std::trunc(double(rate) * p.ms / 1000.0)) + p.plus;
}

ReverbModel ModelOf(int32_t algorithm) {
  return algorithm >= 2 && algorithm <= 4 ? ReverbModel(algorithm) : ReverbModel::Chamber;
}

// Loop gains in single precision.
float RoomLoopGain(ReverbModel model, int32_t decayMs) {
  switch (model) {
    case ReverbModel::Chapel: return decayMs <= 0 ? 0.0f : 0.0001f * float(decayMs);
    case ReverbModel::Hall: return decayMs <= 0 ? 0.0f : 0.0001f * float(decayMs - 500);
    default: return decayMs <= 0 ? 0.1f : 0.1f + 0.0002f * float(decayMs);
  }
}
float CombFeedback(int32_t decayMs) {
  if (decayMs <= 0) return 0.0f;
  return std::max(0.0f, 1.0f - 366.0f / float(decayMs));
}

// Truncation toward zero of values the network keeps within the sample range (its gains are
// below 1); on x86 the conversion instruction is used directly, its result is defined for any
// value.
int32_t Trunc(float v) {
#if defined(__SSE__)
  return _mm_cvtt_ss2si(_mm_set_ss(v));
#else
  return TruncToInt(double(v));
#endif
}

struct CombFilter {
  DelayLine line;
  Lowpass lowpass[2];
  float f = 0;
};

struct AllpassFilter {
  DelayLine line;
  float g = 0;

  int32_t Step(int c, int32_t v) {
    const int32_t d = line.ReadAtPosition(c);
    const float u = float(d) - g * float(v);
    line.Write(c, Trunc(float(v) + g * u));
    return Trunc(u);
  }
};

class Reverb {
 public:
  bool SetUp(const ReverbParameters& p, const InputFormat& in) {
    model_ = ModelOf(p.algorithm);
    eight_ = in.bits == 8;
    // The network works in single precision: 32-bit and float files are heard at 24-bit scale
    // (x >> 8), the wet signal scaled back by 256 and added to the full input in double.
    full_ = in.Full();
    lo_ = full_ ? -8388608.0f : float(in.lo);
    hi_ = full_ ? 8388607.0f : float(in.hi);
    wet_[0] = float(p.levelLeft) * 0.00390625f;
    wet_[1] = float(p.levelRight) * 0.00390625f;
    EarlyTapFrames(p.algorithm, in.rate, p.predelayMs, early_);
    int64_t longest = 1, shortest = INT64_MAX;
    for (int64_t t : early_) longest = std::max(longest, t), shortest = std::min(shortest, t);
    // With every tap at least one frame back, a line longer than the longest tap reads the same
    // values, and kBatch spare elements let a batch of samples be written before it is read.
    batched_ = shortest >= 1 && longest <= INT32_MAX - 2 * kBatch;
    if (batched_) {
      batchSize_ = int32_t(longest) + kBatch;
      for (int c = 0; c < in.channels; ++c)
        if (!(batchLine_[c] = AllocateZeroed(int64_t(batchSize_) + kBatch))) return false;
    } else if (!earlyLine_.Allocate(longest, in.channels)) {
      return false;
    }
    // Offsets back from the position, reduced into the line (a tap of 0 frames reads the
    // element the next write overwrites).
    for (int k = 0; k < 19; ++k) earlyOffsets_[k] = int32_t(early_[k] % longest);

    const int32_t* settings[2] = {p.lowpassLeft, p.lowpassRight};
    for (int c = 0; c < 2; ++c) {
      int32_t sum = 0;
      for (int k = 0; k < 6; ++k) sum += std::clamp(settings[c][k], 0, 99);
      loop_[c].Set(sum / 6);
    }
    if (model_ == ReverbModel::Custom) {
      const float f = CombFeedback(p.decayMs);
      gain_ = 0.7f * f;
      constexpr double kCombMs[6] = {50, 56, 61, 68, 72, 78};
      for (int k = 0; k < 6; ++k) {
        if (!combs_[k].line.Allocate(std::max<int64_t>(FramesOf({kCombMs[k], 0}, in.rate), 1), in.channels))
          return false;
        combs_[k].f = f;
        for (int c = 0; c < 2; ++c) combs_[k].lowpass[c].Set(settings[c][k]);
      }
      constexpr double kAllpassMs[3] = {6, 9.1, 9.9};
      constexpr float kAllpassGain[3] = {0.7f, 0.683f, 0.721f};
      for (int k = 0; k < 3; ++k) {
        if (!allpasses_[k].line.Allocate(std::max<int64_t>(FramesOf({kAllpassMs[k], 0}, in.rate), 1),
                                         in.channels))
          return false;
        allpasses_[k].g = kAllpassGain[k];
      }
      return true;
    }
    const RoomModel& room = Room(model_);
    gain_ = RoomLoopGain(model_, p.decayMs);
    const int64_t size = std::max<int64_t>(FramesOf(room.size, in.rate), 1);
    if (!tapLine_.Allocate(size, in.channels)) return false;
    auto offset = [&](const Point& point, int64_t extra = 0) {
      return int32_t(((FramesOf(point, in.rate) + extra) % size + size) % size);
    };
    for (const Section& s : room.sections) sections_.push_back({offset(s.a), offset(s.b), s.g});
    // The output taps are read after the position has advanced, one place further on.
    for (const OutputTap& t : room.taps) outputs_.push_back({offset(t.t, 1), t.gain});
    lowpassInput_ = offset(room.lowpassInput);
    recirculates_ = room.recirculates;
    recirculation_ = offset(room.recirculation);
    return true;
  }

  // Whatever depends on the input alone is worked for the whole block first, so that the
  // independent chains of arithmetic can overlap: the early reflections, and in the custom
  // model the combs (their input is the clamped early sum). Then the late network's loop runs
  // frame by frame with both channels side by side.
  void ProcessBlock(int32_t* const x[2], int32_t frames, const bool process[2]) {
    for (int c = 0; c < 2; ++c) {
      if (!process[c]) continue;
      earlySums_[c].resize(size_t(frames));
      const int32_t* heard = x[c];
      if (full_) {
        scaled_[c].resize(size_t(frames));
        for (int32_t n = 0; n < frames; ++n) scaled_[c][size_t(n)] = x[c][n] >> 8;
        heard = scaled_[c].data();
      }
      EarlyReflections(c, heard, frames, earlySums_[c].data());
    }
    if (model_ == ReverbModel::Custom) {
      if (!process[0] && !process[1]) return;
      Combs(process, frames);
      CustomLoops(x, frames, process);
      return;
    }
#if defined(__SSE2__)
    LaneRooms(x, frames, process);
#else
    for (int32_t n = 0; n < frames; ++n) {
      for (int c = 0; c < 2; ++c)
        if (process[c]) x[c][n] = Late(c, x[c][n], earlySums_[c][size_t(n)]);
      tapLine_.Advance();
    }
#endif
  }

 private:
  // Step 1 for every sample: write x, then e = Σ gain × element T frames back from the new
  // position, in tap order, in single precision.
  void EarlyReflections(int c, const int32_t* x, int32_t frames, float* sums) {
    if (batched_) return BatchedEarlyReflections(c, x, frames, sums);
    const int32_t size = earlyLine_.Size();
    const int32_t* line = earlyLine_.Data(c);
    for (int32_t n = 0; n < frames; ++n) {
      earlyLine_.Write(c, x[n]);
      const int32_t pos = earlyLine_.Position(c);
      float e = 0.0f;
      for (int k = 0; k < 19; ++k) {
        int32_t i = pos - earlyOffsets_[k];
        if (i < 0) i += size;
        e += kEarlyTaps[k].gain * float(line[i]);
      }
      sums[n] = e;
    }
  }

  // The same, kBatch samples at a time: the batch's samples are written first, then each tap is
  // read for all of them from consecutive elements (the first kBatch elements are mirrored
  // after the end), each sample keeping its own sum in tap order. A tap reads the sample
  // written T - 1 frames earlier, which no later write of the batch can have overwritten, since
  // the line has kBatch spare elements.
  void BatchedEarlyReflections(int c, const int32_t* x, int32_t frames, float* sums) {
    int32_t* line = batchLine_[c].get();
    const int32_t size = batchSize_;
    int32_t& pos = batchPos_[c];
    auto write = [&](int32_t v) {
      line[pos] = v;
      if (pos < kBatch) line[pos + size] = v;
      if (++pos == size) pos = 0;
    };
    int32_t n = 0;
    for (; n + kBatch <= frames; n += kBatch) {
      const int32_t first = pos;
      for (int j = 0; j < kBatch; ++j) write(x[n + j]);
#if defined(__SSE2__)
      __m128 low = _mm_setzero_ps(), high = _mm_setzero_ps();
      for (int k = 0; k < 19; ++k) {
        int32_t b = first + 1 - int32_t(early_[k]);
        if (b < 0) b += size;
        const int32_t* src = line + b;
        const __m128 g = _mm_set1_ps(kEarlyTaps[k].gain);
        const __m128 v0 = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)));
        const __m128 v1 = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4)));
        low = _mm_add_ps(low, _mm_mul_ps(g, v0));
        high = _mm_add_ps(high, _mm_mul_ps(g, v1));
      }
      _mm_storeu_ps(sums + n, low);
      _mm_storeu_ps(sums + n + 4, high);
#else
      float acc[kBatch] = {};
      for (int k = 0; k < 19; ++k) {
        int32_t b = first + 1 - int32_t(early_[k]);
        if (b < 0) b += size;
        const int32_t* src = line + b;
        const float g = kEarlyTaps[k].gain;
        for (int j = 0; j < kBatch; ++j) acc[j] += g * float(src[j]);
      }
      for (int j = 0; j < kBatch; ++j) sums[n + j] = acc[j];
#endif
    }
    for (; n < frames; ++n) {
      write(x[n]);
      float e = 0.0f;
      for (int k = 0; k < 19; ++k) {
        int32_t i = pos - int32_t(early_[k]);
        if (i < 0) i += size;
        e += kEarlyTaps[k].gain * float(line[i]);
      }
      sums[n] = e;
    }
  }

  // Custom model, steps 3 to 5.2: e clamped (kept for the output), every comb stepped with
  // trunc(e), and m = trunc(s ÷ 6.0) of the elements at the combs' write positions.
  void Combs(const bool process[2], int32_t frames) {
    for (int c = 0; c < 2; ++c) {
      if (!process[c]) continue;
      // Room for the comb lanes to read a few values past the block.
      values_[c].resize(size_t(frames) + 4);
      sums_[c].assign(size_t(frames), 0);
      float* e = earlySums_[c].data();
      for (int32_t n = 0; n < frames; ++n) {
        e[n] = std::clamp(e[n], lo_, hi_);
        values_[c][size_t(n)] = Trunc(e[n]);
      }
    }
    if (combs_[0].f == 0.0f) {
      // Without feedback a comb stores trunc(v + 0 × y) = v (its low-pass output is always
      // finite), so its low-pass is never heard: the comb is a plain delay.
      for (int c = 0; c < 2; ++c)
        if (process[c])
          for (CombFilter& comb : combs_) PlainDelay(comb.line, c, values_[c].data(), sums_[c].data(), frames);
    } else {
#if defined(__SSE2__)
      CombLanes(process, frames);
#else
      for (int c = 0; c < 2; ++c)
        if (process[c])
          for (int k = 0; k < 6; k += kCombsAtOnce) CombGroup(c, k, frames);
#endif
    }
    for (int c = 0; c < 2; ++c) {
      if (!process[c]) continue;
      combMeans_[c].resize(size_t(frames));
      for (int32_t n = 0; n < frames; ++n)  // trunc(s ÷ 6.0): integer division truncates alike
        combMeans_[c][size_t(n)] = sums_[c][size_t(n)] / 6;
    }
  }

  // A comb without feedback, a stretch at a time: each step writes v at the position and the
  // sum gets the element at the next one. Over a stretch shorter than the line those elements
  // are the ones the line held before it, so they are added first and the stretch's values
  // copied in after.
  static void PlainDelay(DelayLine& line, int c, const int32_t* v, int32_t* sums, int32_t frames) {
    int32_t* data = line.Data(c);
    const int32_t size = line.Size();
    if (size == 1) {
      for (int32_t n = 0; n < frames; ++n) sums[n] += data[0] = v[n];
      return;
    }
    int32_t pos = line.Position(c);
    for (int32_t done = 0; done < frames;) {
      const int32_t length = std::min(frames - done, size - 1);
      int32_t from = pos + 1 == size ? 0 : pos + 1;
      for (int32_t n = 0; n < length;) {
        const int32_t run = std::min(length - n, size - from);
        for (int32_t j = 0; j < run; ++j) sums[done + n + j] += data[from + j];
        n += run;
        from = 0;
      }
      for (int32_t n = 0; n < length;) {
        const int32_t run = std::min(length - n, size - pos);
        std::copy(v + done + n, v + done + n + run, data + pos);
        n += run;
        pos += run;
        if (pos == size) pos = 0;
      }
      done += length;
    }
    line.SetPosition(c, pos);
  }

  // One comb's step: the low-pass of the element written D steps ago, never above the input v
  // in magnitude, fed back as trunc(v + f × y). The sum gets the element at the next position.
  // The value a comb writes is within 2^24 + 1 in magnitude (|v| <= 2^23, f <= 1), so the sum of
  // six stays far inside 32 bits.
#if defined(__SSE2__)
  // The combs of the processed channels run four to a vector: each comb's recursion is a short
  // chain of single-precision operations, and a vector steps four of them with the same
  // operations in the same order as one at a time. The block goes in chunks no longer than the
  // shortest comb, so that every element a chunk reads was written before it: the chunk's
  // inputs are copied out of the lines, the recursion runs over them, and its writes go back.
  static constexpr int32_t kChunk = 256;
  struct LaneGroup {
    CombFilter* comb[4];  // nullptr: an idle slot
    int channel[4];
    int a, b;  // the channel of slots 0 and 2, and of slots 1 and 3
  };

  void SetUpLanes(const bool process[2]) {
    int channels[2] = {0, 0}, count = 0;
    for (int c = 0; c < 2; ++c)
      if (process[c]) channels[count++] = c;
    groupCount_ = 0;
    for (int i = 0; i < count; ++i) {
      LaneGroup& g = groups_[groupCount_++];
      g.a = g.b = channels[i];
      for (int slot = 0; slot < 4; ++slot) {
        g.comb[slot] = &combs_[slot];
        g.channel[slot] = channels[i];
      }
    }
    LaneGroup& g = groups_[groupCount_++];
    g.a = channels[0];
    g.b = channels[count - 1];
    for (int slot = 0; slot < 4; ++slot) {
      g.comb[slot] = slot % 2 == 1 && count == 1 ? nullptr : &combs_[4 + slot / 2];
      g.channel[slot] = slot % 2 == 0 ? g.a : g.b;
    }
    laneProcess_[0] = process[0];
    laneProcess_[1] = process[1];
    constexpr int32_t stride = kChunk + 4;
    laneInts_.assign(size_t(12 * stride), 0);
    laneFrames_.assign(size_t(3 * (kChunk + 2) * 4), 0.0f);
    laneOutputs_.assign(size_t(3 * stride * 4), 0.0f);
  }

  void CombLanes(const bool process[2], int32_t frames) {
    if (groupCount_ == 0 || laneProcess_[0] != process[0] || laneProcess_[1] != process[1])
      SetUpLanes(process);
    int32_t shortest = kChunk;
    for (int g = 0; g < groupCount_; ++g)
      for (const CombFilter* comb : groups_[g].comb)
        if (comb) shortest = std::min(shortest, comb->line.Size());
    constexpr int32_t stride = kChunk + 4;
    for (int32_t done = 0; done < frames;) {
      const int32_t length = std::min(frames - done, shortest), rounded = (length + 3) & ~3;
      // Each comb's next inputs, lane by lane, and the sums of the elements each step leaves at
      // the write position: the next step's inputs (the last one once the chunk is written).
      for (int g = 0; g < groupCount_; ++g)
        for (int slot = 0; slot < 4; ++slot) {
          int32_t* row = &laneInts_[size_t((g * 4 + slot) * stride)];
          const CombFilter* comb = groups_[g].comb[slot];
          if (!comb) continue;
          const int c = groups_[g].channel[slot];
          const int32_t* line = comb->line.Data(c);
          const int32_t size = comb->line.Size(), pos = comb->line.Position(c);
          const int32_t first = std::min(length, size - pos);
          std::copy(line + pos, line + pos + first, row);
          std::copy(line, line + (length - first), row + first);
          int32_t* sum = sums_[c].data() + done;
          for (int32_t n = 0; n + 1 < length; ++n) sum[n] += row[n + 1];
        }
      // Frame by frame in single precision, after each low-pass's two previous inputs.
      for (int g = 0; g < groupCount_; ++g) {
        float* frame = &laneFrames_[size_t(g * (kChunk + 2) * 4)];
        for (int slot = 0; slot < 4; ++slot) {
          const CombFilter* comb = groups_[g].comb[slot];
          const Lowpass* lp = comb ? &comb->lowpass[groups_[g].channel[slot]] : nullptr;
          frame[slot] = lp ? lp->x2 : 0.0f;
          frame[4 + slot] = lp ? lp->x1 : 0.0f;
        }
        const int32_t* rows = &laneInts_[size_t(g * 4 * stride)];
        for (int32_t n = 0; n < rounded; n += 4) {
          __m128 r0 = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows + n)));
          __m128 r1 = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows + stride + n)));
          __m128 r2 = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows + 2 * stride + n)));
          __m128 r3 = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows + 3 * stride + n)));
          _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
          float* at = frame + (2 + n) * 4;
          _mm_storeu_ps(at, r0);
          _mm_storeu_ps(at + 4, r1);
          _mm_storeu_ps(at + 8, r2);
          _mm_storeu_ps(at + 12, r3);
        }
      }
      if (groupCount_ == 3) LaneRecursion<3>(length);
      else LaneRecursion<2>(length);
      // The writes, back into the lines.
      const __m128 sign = _mm_set1_ps(-0.0f), f = _mm_set1_ps(combs_[0].f);
      for (int g = 0; g < groupCount_; ++g) {
        const LaneGroup& group = groups_[g];
        const int32_t* va = values_[group.a].data() + done;
        const int32_t* vb = values_[group.b].data() + done;
        const float* out = &laneOutputs_[size_t(g * stride * 4)];
        int32_t* rows = &laneInts_[size_t(g * 4 * stride)];
        for (int32_t n = 0; n < rounded; n += 4) {
          __m128i w[4];
          for (int j = 0; j < 4; ++j) {
            const __m128i vi = _mm_unpacklo_epi32(_mm_set1_epi32(va[n + j]), _mm_set1_epi32(vb[n + j]));
            const __m128 v = _mm_cvtepi32_ps(vi);
            const __m128 limitF = _mm_andnot_ps(sign, v);
            const __m128i limit = _mm_cvttps_epi32(limitF);
            __m128 y = _mm_loadu_ps(out + (n + j) * 4);
            const __m128i t = _mm_cvttps_epi32(y);
            const __m128 over = _mm_castsi128_ps(_mm_or_si128(
                _mm_cmpgt_epi32(t, limit), _mm_cmpgt_epi32(_mm_sub_epi32(_mm_setzero_si128(), limit), t)));
            const __m128 held = _mm_or_ps(_mm_and_ps(y, sign), limitF);
            y = _mm_or_ps(_mm_and_ps(over, held), _mm_andnot_ps(over, y));
            w[j] = _mm_cvttps_epi32(_mm_add_ps(v, _mm_mul_ps(f, y)));
          }
          __m128 c0 = _mm_castsi128_ps(w[0]), c1 = _mm_castsi128_ps(w[1]);
          __m128 c2 = _mm_castsi128_ps(w[2]), c3 = _mm_castsi128_ps(w[3]);
          _MM_TRANSPOSE4_PS(c0, c1, c2, c3);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(rows + n), _mm_castps_si128(c0));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(rows + stride + n), _mm_castps_si128(c1));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(rows + 2 * stride + n), _mm_castps_si128(c2));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(rows + 3 * stride + n), _mm_castps_si128(c3));
        }
        for (int slot = 0; slot < 4; ++slot) {
          CombFilter* comb = group.comb[slot];
          if (!comb) continue;
          const int c = group.channel[slot];
          const int32_t* row = rows + slot * stride;
          int32_t* line = comb->line.Data(c);
          const int32_t size = comb->line.Size(), pos = comb->line.Position(c);
          const int32_t first = std::min(length, size - pos);
          std::copy(row, row + first, line + pos);
          std::copy(row + first, row + length, line);
          const int32_t next = length - first < 1 ? pos + length : length - first;
          const int32_t at = next == size ? 0 : next;
          comb->line.SetPosition(c, at);
          sums_[c][size_t(done + length - 1)] += line[at];
          // The low-pass's last two inputs.
          const float* frame = &laneFrames_[size_t(g * (kChunk + 2) * 4)];
          Lowpass& lp = comb->lowpass[c];
          lp.x2 = frame[length * 4 + slot];
          lp.x1 = frame[(length + 1) * 4 + slot];
        }
      }
      done += length;
    }
  }

  // The low-pass recursions of every group, side by side: y = (d + x2)·a0 + a1·x1 − b1·y1 − b2·y2.
  template <int Groups>
  void LaneRecursion(int32_t length) {
    __m128 a0[Groups], a1[Groups], b1[Groups], b2[Groups], y1[Groups], y2[Groups];
    for (int g = 0; g < Groups; ++g) {
      alignas(16) float k[6][4];
      for (int slot = 0; slot < 4; ++slot) {
        const CombFilter* comb = groups_[g].comb[slot];
        const Lowpass none{};
        const Lowpass& lp = comb ? comb->lowpass[groups_[g].channel[slot]] : none;
        k[0][slot] = lp.a0, k[1][slot] = lp.a1, k[2][slot] = lp.b1, k[3][slot] = lp.b2;
        k[4][slot] = lp.y1, k[5][slot] = lp.y2;
      }
      a0[g] = _mm_load_ps(k[0]), a1[g] = _mm_load_ps(k[1]), b1[g] = _mm_load_ps(k[2]);
      b2[g] = _mm_load_ps(k[3]), y1[g] = _mm_load_ps(k[4]), y2[g] = _mm_load_ps(k[5]);
    }
    const float* frames[Groups];
    float* outs[Groups];
    for (int g = 0; g < Groups; ++g) {
      frames[g] = &laneFrames_[size_t(g * (kChunk + 2) * 4)];
      outs[g] = &laneOutputs_[size_t(g * (kChunk + 4) * 4)];
    }
    for (int32_t n = 0; n < length; ++n) {
#pragma GCC unroll 3
      for (int g = 0; g < Groups; ++g) {
        const float* at = frames[g] + n * 4;
        const __m128 x2 = _mm_loadu_ps(at), x1 = _mm_loadu_ps(at + 4), d = _mm_loadu_ps(at + 8);
        const __m128 u = _mm_add_ps(_mm_mul_ps(_mm_add_ps(d, x2), a0[g]), _mm_mul_ps(a1[g], x1));
        const __m128 y = _mm_sub_ps(_mm_sub_ps(u, _mm_mul_ps(b1[g], y1[g])), _mm_mul_ps(b2[g], y2[g]));
        y2[g] = y1[g];
        y1[g] = y;
        _mm_storeu_ps(outs[g] + n * 4, y);
      }
    }
    for (int g = 0; g < Groups; ++g) {
      alignas(16) float k[2][4];
      _mm_store_ps(k[0], y1[g]);
      _mm_store_ps(k[1], y2[g]);
      for (int slot = 0; slot < 4; ++slot)
        if (CombFilter* comb = groups_[g].comb[slot]) {
          Lowpass& lp = comb->lowpass[groups_[g].channel[slot]];
          lp.y1 = k[0][slot];
          lp.y2 = k[1][slot];
        }
    }
  }
#else
  static constexpr int kCombsAtOnce = 3;
  void CombGroup(int c, int first, int32_t frames) {
    struct State {
      int32_t* line;
      int32_t size, pos;
      float a0, a1, b1, b2, x1, x2, y1, y2, f;
    } s[kCombsAtOnce];
    for (int j = 0; j < kCombsAtOnce; ++j) {
      CombFilter& comb = combs_[first + j];
      const Lowpass& lp = comb.lowpass[c];
      s[j] = {comb.line.Data(c), comb.line.Size(), comb.line.Position(c), lp.a0, lp.a1, lp.b1, lp.b2,
              lp.x1, lp.x2, lp.y1, lp.y2, comb.f};
    }
    const int32_t* v = values_[c].data();
    int32_t* sums = sums_[c].data();
    for (int32_t n = 0; n < frames; ++n) {
      for (int j = 0; j < kCombsAtOnce; ++j) {
        State& t = s[j];
        const float d = float(t.line[t.pos]);
        float y = (d + t.x2) * t.a0 + t.a1 * t.x1 - t.b1 * t.y1 - t.b2 * t.y2;
        t.x2 = t.x1;
        t.x1 = d;
        t.y2 = t.y1;
        t.y1 = y;
        const int32_t limit = std::abs(v[n]);
        if (std::abs(int64_t(Trunc(y))) > limit) y = std::copysign(float(limit), y);
        t.line[t.pos] = Trunc(float(v[n]) + t.f * y);
        if (++t.pos == t.size) t.pos = 0;
        sums[n] += t.line[t.pos];
      }
    }
    for (int j = 0; j < kCombsAtOnce; ++j) {
      CombFilter& comb = combs_[first + j];
      Lowpass& lp = comb.lowpass[c];
      lp.x1 = s[j].x1;
      lp.x2 = s[j].x2;
      lp.y1 = s[j].y1;
      lp.y2 = s[j].y2;
      comb.line.SetPosition(c, s[j].pos);
    }
  }
#endif

  // Custom model, steps 5.3 to 6: the loop through the all-pass filters and the low-pass.
  void CustomLoops(int32_t* const x[2], int32_t frames, const bool process[2]) {
#if defined(__SSE2__)
    LaneLoops(x, frames, process);
#else
    for (int32_t n = 0; n < frames; ++n)
      for (int c = 0; c < 2; ++c)
        if (process[c]) x[c][n] = CustomLoop(c, x[c][n], earlySums_[c][size_t(n)], combMeans_[c][size_t(n)]);
#endif
  }

  int32_t CustomLoop(int c, int32_t x, float e, int32_t mean) {
    const int32_t m = Trunc(std::clamp(float(mean) + float(Trunc(loop_[c].Last())) * gain_, lo_, hi_));
    const int32_t a1 = allpasses_[0].Step(c, m);
    e += float(a1 / 3);
    const int32_t a2 = allpasses_[1].Step(c, a1);
    e += float(a2 / 3);
    const int32_t a3 = allpasses_[2].Step(c, a2);
    e += float(a3 / 3);
    loop_[c].Step(a2);
    return Output(c, x, e);
  }

#if defined(__SSE2__)
  // The loop is one chain from a frame's low-pass output to the next frame's; both channels
  // run in the two lanes of a vector, and each float(trunc(v)) stays in the vector registers
  // (the truncating conversion and back). With one channel processed both lanes carry it: they
  // compute the same values and write them to the same places. The outputs, off the chain, are
  // worked in its shadow; a/3 is trunc(a ÷ 3.0) in double, which rounds too little to cross an
  // integer, so it truncates alike.
  void LaneLoops(int32_t* const x[2], int32_t frames, const bool process[2]) {
    // Without comb feedback the loop's gain is 0: m + trunc(y) × 0 is m exactly (the product is
    // ±0 and m an integer), and the chain from one frame to the next is gone.
    if (gain_ == 0.0f) LaneLoops<false>(x, frames, process);
    else LaneLoops<true>(x, frames, process);
  }
  template <bool Fed>
  void LaneLoops(int32_t* const x[2], int32_t frames, const bool process[2]) {
    const int first = process[0] ? 0 : 1, second = process[1] ? 1 : 0;
    const int lane[2] = {first, second};
    auto pair = [](float a, float b) { return _mm_setr_ps(a, b, 0.0f, 0.0f); };
    auto truncated = [](__m128 v) { return _mm_cvtepi32_ps(_mm_cvttps_epi32(v)); };
    const __m128d three = _mm_set1_pd(3.0);
    auto third = [three](__m128i a) { return _mm_cvtepi32_ps(_mm_cvttpd_epi32(_mm_div_pd(_mm_cvtepi32_pd(a), three))); };
    const Lowpass &l0 = loop_[first], &l1 = loop_[second];
    const __m128 a0 = pair(l0.a0, l1.a0), a1 = pair(l0.a1, l1.a1), b1 = pair(l0.b1, l1.b1), b2 = pair(l0.b2, l1.b2);
    __m128 x1 = pair(l0.x1, l1.x1), x2 = pair(l0.x2, l1.x2), y1 = pair(l0.y1, l1.y1), y2 = pair(l0.y2, l1.y2);
    const __m128 gain = _mm_set1_ps(gain_), lo = _mm_set1_ps(lo_), hi = _mm_set1_ps(hi_);
    struct Line {
      int32_t* data[2];
      int32_t size, pos[2];
      __m128 g;
    } lines[3];
    for (int k = 0; k < 3; ++k) {
      DelayLine& l = allpasses_[k].line;
      lines[k] = {{l.Data(first), l.Data(second)}, l.Size(), {l.Position(first), l.Position(second)},
                  _mm_set1_ps(allpasses_[k].g)};
    }
    const int32_t* means[2] = {combMeans_[first].data(), combMeans_[second].data()};
    const float* early[2] = {earlySums_[first].data(), earlySums_[second].data()};
    const bool both = first != second;
    for (int32_t n = 0; n < frames; ++n) {
      const __m128 mean =
          _mm_cvtepi32_ps(_mm_unpacklo_epi32(_mm_cvtsi32_si128(means[0][n]), _mm_cvtsi32_si128(means[1][n])));
      __m128 v = mean;
      if constexpr (Fed) v = _mm_add_ps(mean, _mm_mul_ps(truncated(y1), gain));
      v = truncated(_mm_min_ps(hi, _mm_max_ps(lo, v)));
      __m128 e = _mm_unpacklo_ps(_mm_load_ss(early[0] + n), _mm_load_ss(early[1] + n));
      for (int k = 0; k < 3; ++k) {
        Line& l = lines[k];
        const __m128 d = _mm_cvtepi32_ps(_mm_unpacklo_epi32(_mm_cvtsi32_si128(l.data[0][l.pos[0]]),
                                                            _mm_cvtsi32_si128(l.data[1][l.pos[1]])));
        const __m128 u = _mm_sub_ps(d, _mm_mul_ps(l.g, v));
        const __m128i w = _mm_cvttps_epi32(_mm_add_ps(v, _mm_mul_ps(l.g, u)));
        l.data[0][l.pos[0]] = _mm_cvtsi128_si32(w);
        l.data[1][l.pos[1]] = _mm_cvtsi128_si32(_mm_shuffle_epi32(w, 1));
        for (int j = 0; j < 2; ++j)
          if (++l.pos[j] == l.size) l.pos[j] = 0;
        const __m128i a = _mm_cvttps_epi32(u);
        e = _mm_add_ps(e, third(a));
        if (k < 2) v = _mm_cvtepi32_ps(a);
        if (k == 1) {
          // The loop's low-pass takes the second all-pass's output.
          const __m128 y = _mm_sub_ps(
              _mm_sub_ps(_mm_add_ps(_mm_mul_ps(_mm_add_ps(v, x2), a0), _mm_mul_ps(a1, x1)), _mm_mul_ps(b1, y1)),
              _mm_mul_ps(b2, y2));
          x2 = x1;
          x1 = v;
          y2 = y1;
          y1 = y;
        }
      }
      x[first][n] = Output(first, x[first][n], _mm_cvtss_f32(e));
      if (both) x[second][n] = Output(second, x[second][n], _mm_cvtss_f32(_mm_shuffle_ps(e, e, 1)));
    }
    alignas(16) float state[4][4];
    _mm_store_ps(state[0], x1);
    _mm_store_ps(state[1], x2);
    _mm_store_ps(state[2], y1);
    _mm_store_ps(state[3], y2);
    for (int j = 1; j >= 0; --j) {
      Lowpass& l = loop_[lane[j]];
      l.x1 = state[0][j], l.x2 = state[1][j], l.y1 = state[2][j], l.y2 = state[3][j];
    }
    for (int k = 0; k < 3; ++k)
      for (int j = 1; j >= 0; --j) allpasses_[k].line.SetPosition(lane[j], lines[k].pos[j]);
  }
#endif

#if defined(__SSE2__)
  // The room models with both channels in the two lanes of a vector: each step of the network
  // loads and stores the two channels' elements together, with the same operations in the same
  // order as one channel at a time. A channel left out (or the missing one of a mono file) runs
  // on silence beside the other, and nothing of it is heard.
  void LaneRooms(int32_t* const x[2], int32_t frames, const bool process[2]) {
    silence_.assign(size_t(frames), 0.0f);
    const float* early[2];
    for (int c = 0; c < 2; ++c) early[c] = process[c] ? earlySums_[c].data() : silence_.data();
    auto pair = [](float a, float b) { return _mm_setr_ps(a, b, 0.0f, 0.0f); };
    auto load = [](const int32_t* p) {
      return _mm_cvtepi32_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    };
    auto store = [](int32_t* p, __m128 v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_cvttps_epi32(v)); };
    const Lowpass &l0 = loop_[0], &l1 = loop_[1];
    const __m128 a0 = pair(l0.a0, l1.a0), a1 = pair(l0.a1, l1.a1), b1 = pair(l0.b1, l1.b1), b2 = pair(l0.b2, l1.b2);
    __m128 x1 = pair(l0.x1, l1.x1), x2 = pair(l0.x2, l1.x2), y1 = pair(l0.y1, l1.y1), y2 = pair(l0.y2, l1.y2);
    const __m128 gain = _mm_set1_ps(gain_), lo = _mm_set1_ps(lo_), hi = _mm_set1_ps(hi_);
    for (int32_t n = 0; n < frames; ++n) {
      __m128 e = _mm_unpacklo_ps(_mm_load_ss(early[0] + n), _mm_load_ss(early[1] + n));
      e = _mm_add_ps(e, _mm_mul_ps(_mm_cvtepi32_ps(_mm_cvttps_epi32(y1)), gain));
      e = _mm_min_ps(hi, _mm_max_ps(lo, e));
      store(tapLine_.Pair(0), e);
      for (const SectionAt& s : sections_) {
        int32_t* pa = tapLine_.Pair(s.a);
        int32_t* pb = tapLine_.Pair(s.b);
        const __m128 g = _mm_set1_ps(s.g), p = load(pa), q = load(pb);
        const __m128 u = _mm_sub_ps(q, _mm_mul_ps(g, p));
        store(pa, _mm_add_ps(p, _mm_mul_ps(g, u)));
        store(pb, u);
      }
      if (recirculates_) {
        int32_t* r = tapLine_.Pair(recirculation_);
        store(r, _mm_add_ps(_mm_mul_ps(gain, load(r)), e));
      }
      const __m128 in = load(tapLine_.Pair(lowpassInput_));
      const __m128 y =
          _mm_sub_ps(_mm_sub_ps(_mm_add_ps(_mm_mul_ps(_mm_add_ps(in, x2), a0), _mm_mul_ps(a1, x1)), _mm_mul_ps(b1, y1)),
                     _mm_mul_ps(b2, y2));
      x2 = x1;
      x1 = in;
      y2 = y1;
      y1 = y;
      __m128 sum = _mm_setzero_ps();
      for (const OutputAt& t : outputs_) sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(t.gain), load(tapLine_.Pair(t.offset))));
      e = _mm_add_ps(e, sum);
      if (process[0]) x[0][n] = Output(0, x[0][n], _mm_cvtss_f32(e));
      if (process[1]) x[1][n] = Output(1, x[1][n], _mm_cvtss_f32(_mm_shuffle_ps(e, e, 1)));
      tapLine_.Advance();
    }
    alignas(16) float state[4][4];
    _mm_store_ps(state[0], x1);
    _mm_store_ps(state[1], x2);
    _mm_store_ps(state[2], y1);
    _mm_store_ps(state[3], y2);
    for (int c = 0; c < 2; ++c) {
      Lowpass& l = loop_[c];
      l.x1 = state[0][c], l.x2 = state[1][c], l.y1 = state[2][c], l.y2 = state[3][c];
    }
  }
#endif

  int32_t Late(int c, int32_t x, float e) {
    {
      e = e + float(Trunc(loop_[c].Last())) * gain_;
      e = std::clamp(e, lo_, hi_);
      tapLine_.At(c, 0) = Trunc(e);
      for (const SectionAt& s : sections_) {
        int32_t& pa = tapLine_.At(c, s.a);
        int32_t& pb = tapLine_.At(c, s.b);
        const float p = float(pa), q = float(pb);
        const float u = q - s.g * p;
        pa = Trunc(p + s.g * u);
        pb = Trunc(u);
      }
      if (recirculates_) {
        int32_t& r = tapLine_.At(c, recirculation_);
        r = Trunc(gain_ * float(r) + e);
      }
      loop_[c].Step(tapLine_.At(c, lowpassInput_));
      float sum = 0.0f;
      for (const OutputAt& t : outputs_) sum += t.gain * float(tapLine_.At(c, t.offset));
      e = e + sum;
    }
    return Output(c, x, e);
  }

  // Step 6: out = x + wet level × e, written 8-bit as trunc(out + 128), 16-bit as trunc(out).
  // At 24 bits as at 16; at 32 bits trunc(x + 256 × wet level × e) in double.
  int32_t Output(int c, int32_t x, float e) const {
    if (full_) {
      const double out = double(x) + double(wet_[c] * e) * 256.0;
      if (!(out == out)) return 0;
      if (out <= -2147483648.0) return INT32_MIN;
      if (out >= 2147483647.0) return INT32_MAX;
      return int32_t(out);
    }
    const float out = float(x) + wet_[c] * e;
    if (!(out == out)) return 0;
    if (eight_) {
      if (out < -128.0f) return -128;
      if (out > 127.0f) return 127;
      return Trunc(out + 128.0f) - 128;
    }
    return Trunc(std::clamp(out, lo_, hi_));
  }

  struct SectionAt {
    int32_t a, b;
    float g;
  };
  struct OutputAt {
    int32_t offset;
    float gain;
  };
  ReverbModel model_ = ReverbModel::Chamber;
  bool eight_ = false, full_ = false;
  float lo_ = 0, hi_ = 0;
  std::vector<int32_t> scaled_[2];
  float wet_[2] = {0, 0};
  float gain_ = 0;
  int64_t early_[19] = {};
  int32_t earlyOffsets_[19] = {};
  std::vector<float> earlySums_[2];
  std::vector<int32_t> combMeans_[2];
  std::vector<int32_t> values_[2];
  std::vector<int32_t> sums_[2];
#if defined(__SSE2__)
  LaneGroup groups_[3];
  int groupCount_ = 0;
  bool laneProcess_[2] = {false, false};
  std::vector<int32_t> laneInts_;     // the lanes' inputs, then their writes, lane by lane
  std::vector<float> laneFrames_;     // the groups' inputs frame by frame, after two of history
  std::vector<float> laneOutputs_;    // the groups' low-pass outputs frame by frame
#endif
  DelayLine earlyLine_;
  static constexpr int32_t kBatch = 8;
  bool batched_ = false;
  int32_t batchSize_ = 0;
  int32_t batchPos_[2] = {0, 0};
  ZeroedArray batchLine_[2];
  Lowpass loop_[2];
  TapLine tapLine_;
  std::vector<float> silence_;
  std::vector<SectionAt> sections_;
  std::vector<OutputAt> outputs_;
  int32_t lowpassInput_ = 0, recirculation_ = 0;
  bool recirculates_ = false;
  CombFilter combs_[6];
  AllpassFilter allpasses_[3];
};

}  // namespace

// The pattern is stretched by a single-precision scale; each tap's frames are
// trunc(scale × time) with the product in double, after the pre-delay's whole frames.
void EarlyTapFrames(int32_t algorithm, int32_t rate, int32_t predelayMs, int64_t taps[19]) {
  float scale = float(rate);
  switch (ModelOf(algorithm)) {
    case ReverbModel::Chamber: scale = float(double(rate) * 125.0 / 79.7); break;
    case ReverbModel::Chapel: scale = float(double(rate) * 299.0 / 79.7); break;
    case ReverbModel::Hall: scale = float(double(rate) * 282.0 / 79.7); break;
    case ReverbModel::Custom: break;
  }
  const int64_t predelay =
      int64_t(std::trunc(double(rate) * double(predelayMs < 0 ? 0 : predelayMs) / 1000.0));
  for (int k = 0; k < 19; ++k)
    taps[k] = predelay + int64_t(std::trunc(double(scale) * kEarlyTaps[k].seconds));
}

int32_t RunReverb(const EffectCall& call, const ReverbParameters& parameters) {
  EffectFrame frame;
  if (int32_t status = frame.Open(call)) return status;
  auto reverb = std::make_unique<Reverb>();
  if (!reverb->SetUp(parameters, frame.Input())) return kEffectOutOfMemory;
  if (int32_t status = frame.Begin()) return status;
  frame.Process(*reverb);
  reverb.reset();
  return frame.Finish();
}

}  // namespace resona::effects
