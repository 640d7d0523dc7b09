#include "interpolate.h"

#include <algorithm>
#include <immintrin.h>

namespace resona {
namespace {

constexpr int64_t kLfoSize = 1608;

int32_t ClampToInt32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The LFO phase and its table index lfoPhase × 1608 / lfoPeriod, kept as a quotient and
// remainder that advance without dividing, except where the phase wraps.
class LfoCursor {
 public:
  LfoCursor(int64_t phase, int64_t period)
      : phase_(phase), period_(period), stepQuotient_(kLfoSize / period), stepRemainder_(kLfoSize % period) {
    Reset();
  }
  // lfoPhase = (lfoPhase + 1) mod lfoPeriod.
  void Advance() {
    if (phase_ + 1 >= period_) {
      phase_ = (phase_ + 1) % period_;
      Reset();
      return;
    }
    ++phase_;
    index_ += stepQuotient_;
    remainder_ += stepRemainder_;
    if (remainder_ >= period_) {
      ++index_;
      remainder_ -= period_;
    }
  }
  int64_t Index() const { return index_; }
  int64_t Phase() const { return phase_; }

 private:
  void Reset() {
    index_ = phase_ * kLfoSize / period_;
    remainder_ = phase_ * kLfoSize % period_;
  }
  int64_t phase_, period_, stepQuotient_, stepRemainder_;
  int64_t index_ = 0, remainder_ = 0;
};

// The playback state that the stretches of a run carry on.
struct Cursor {
  int64_t position, fraction;
  int32_t prevL, prevR, deltaL, deltaR;
};

// For each set of moves among eight frames (bit i: the position moves at the i-th step), per
// step the last move at or before it, 8 for none.
struct LastMoves {
  alignas(64) uint8_t index[256][8];
  constexpr LastMoves() : index() {
    for (int m = 0; m < 256; ++m) {
      uint8_t last = 8;
      for (int i = 0; i < 8; ++i) {
        if (m >> i & 1) last = uint8_t(i);
        index[m][i] = last;
      }
    }
  }
};
constexpr LastMoves kLastMoves;

#define RESONA_AVX512BW __attribute__((target("avx512f,avx512bw,avx512vl")))
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The samples of `window` at the eight positions `at` (each below 32).
RESONA_AVX512BW inline __m256i Pick(__m512i window, __m256i at) {
  const __m512i index = _mm512_zextsi128_si512(_mm256_cvtepi32_epi16(at));
  return _mm256_cvtepi16_epi32(_mm512_castsi512_si128(_mm512_permutexvar_epi16(index, window)));
}

// One channel's eight values of Ahead, and its base and slope after them.
RESONA_AVX512BW inline void AheadChannel(const int16_t* a, __m256i from, __m256i pos, __m256i frac,
                                         __mmask8 none, int32_t fraction, int32_t& prev,
                                         int32_t& delta, int32_t* out) {
  const __m512i window = _mm512_loadu_si512(a);
  const __m256i p = _mm256_mask_mov_epi32(Pick(window, from), none, _mm256_set1_epi32(prev));
  const __m256i d = _mm256_mask_mov_epi32(_mm256_sub_epi32(Pick(window, pos), p), none,
                                          _mm256_set1_epi32(delta));
  // Frame i plays the state before step i.
  const __m256i op = _mm256_alignr_epi32(p, _mm256_set1_epi32(prev), 7);
  const __m256i od = _mm256_alignr_epi32(d, _mm256_set1_epi32(delta), 7);
  const __m256i of = _mm256_alignr_epi32(frac, _mm256_set1_epi32(fraction), 7);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                      _mm256_add_epi32(op, _mm256_srai_epi32(_mm256_mullo_epi32(od, of), 15)));
  prev = _mm256_extract_epi32(p, 7);
  delta = _mm256_extract_epi32(d, 7);
}

// Eight frames at a time from frame k while the stretch allows, as the frame-by-frame loop plays
// them, for steps all within [0, 65535] and a fraction that is not negative. Then the
// position at step i of the eight is the start's plus the whole part of fraction + the sum of
// the first i steps (at most 16 further), the fraction its rest, and the position moves at a
// step exactly where that whole part grows; every sample they need lies in one window of 32
// from the start. It stops where the position comes within reach of the loop's end or the
// buffer's (`last`: the highest position a stretch may start from). Returns the frame it got to.
template <bool kStereo>
RESONA_AVX512BW int32_t Ahead(Cursor& c, const int16_t* L, const int16_t* R, const int32_t* steps,
                              int32_t k, int32_t n, int64_t last, int32_t* outL, int32_t* outR) {
  const __m256i zero = _mm256_setzero_si256();
  for (; k + 8 <= n && c.position <= last; k += 8) {
    __m256i sum = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(steps + k));
    sum = _mm256_add_epi32(sum, _mm256_alignr_epi32(sum, zero, 7));
    sum = _mm256_add_epi32(sum, _mm256_alignr_epi32(sum, zero, 6));
    sum = _mm256_add_epi32(sum, _mm256_alignr_epi32(sum, zero, 4));
    const __m256i total = _mm256_add_epi32(sum, _mm256_set1_epi32(int32_t(c.fraction)));
    // After step i (lane i): the position from the start and the fraction.
    const __m256i pos = _mm256_srai_epi32(total, 15);
    const __m256i frac = _mm256_and_si256(total, _mm256_set1_epi32(32767));
    const __m256i before = _mm256_alignr_epi32(pos, zero, 7);
    const unsigned moved = _mm256_cmpneq_epi32_mask(pos, before);
    const __mmask8 none = __mmask8(moved ? (moved & (0u - moved)) - 1 : 0xFF);
    const __m256i lastMove = _mm256_cvtepu8_epi32(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kLastMoves.index[moved])));
    const __m256i from = _mm256_permutexvar_epi32(lastMove, before);
    AheadChannel(L + c.position, from, pos, frac, none, int32_t(c.fraction), c.prevL, c.deltaL, outL + k);
    if (kStereo)
      AheadChannel(R + c.position, from, pos, frac, none, int32_t(c.fraction), c.prevR, c.deltaR, outR + k);
    c.position += _mm256_extract_epi32(pos, 7);
    c.fraction = _mm256_extract_epi32(frac, 7);
  }
  return k;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool HaveAvx512Bw() {
  static const bool have = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                           __builtin_cpu_supports("avx512vl");
  return have;
}

// Frame by frame, a stretch of steps at a time; with output, stretches whose steps allow it
// go eight frames at a time where they can.
template <bool kStereo, bool kVibrato, bool kLooping, bool kOutput>
int32_t Run(Voice& v, const NoteSample& note, int32_t frames, const int32_t* table,
            int32_t* outL, int32_t* outR) {
  constexpr int32_t kStretch = 512;
  const int16_t* L = note.left;
  const int16_t* R = note.right;
  Cursor c{v.position, v.fraction, v.prevLeft, v.prevRight, v.deltaLeft, v.deltaRight};
  const int64_t step = v.step, depth = v.modDepth;
  const int64_t phase = v.lfoPhase, period = v.lfoPeriod;
  LfoCursor lfo(phase, period);
  const bool ahead = kOutput && HaveAvx512Bw();
  // A stretch of eight frames may start at positions up to `last`.
  const int64_t last = kLooping ? std::min(note.loopEnd - 16, note.lastIndex - 32) : note.lastIndex - 32;
  int64_t steps[kStretch];
  int32_t narrow[kStretch];
  int32_t j = 0;
  for (bool stop = false; j < frames && !stop;) {
    const int32_t n = std::min(kStretch, frames - j);
    // Without vibrato the period is 1 and the phase stays 0; the depth term is 0.
    bool within = true;        // every step in [0, 65535]
    bool forward = true;       // none below 0
    int64_t total = 0;
    for (int32_t k = 0; k < n; ++k) {
      int64_t s = step;
      if (kVibrato) {
        lfo.Advance();
        s += (depth * table[lfo.Index()]) >> 9;
      }
      steps[k] = s;
      narrow[k] = int32_t(s);
      within &= s >= 0 && s < 65536;
      forward &= s >= 0;
      total += s;
    }
    // Without output, a stretch that moves forward only and stays clear of the loop's end and
    // the buffer's is taken in one go: position and fraction from the sum of its steps, the
    // interpolation base from its last move.
    if (!kOutput && forward && c.fraction >= 0 && total < (int64_t(1) << 40)) {
      const int64_t end = c.position + ((c.fraction + total) >> 15);
      if (kLooping ? end <= note.loopEnd : end < note.lastIndex) {
        if (end > c.position) {
          int64_t sum = c.fraction + total;  // before each step from the last, back to the last move
          int32_t k = n;
          while ((sum - steps[k - 1]) >> 15 == (sum >> 15)) sum -= steps[--k];
          const int64_t from = c.position + ((sum - steps[k - 1]) >> 15);
          c.prevL = L[from];
          c.deltaL = L[end] - c.prevL;
          if (kStereo) {
            c.prevR = R[from];
            c.deltaR = R[end] - c.prevR;
          }
        }
        c.fraction = (c.fraction + total) & 32767;
        c.position = end;
        j += n;
        continue;
      }
    }
    const bool eights = ahead && within && std::abs(c.deltaL) <= 65535 &&
                        (!kStereo || std::abs(c.deltaR) <= 65535);
    for (int32_t k = 0; k < n; ++k, ++j) {
      if (eights && c.fraction >= 0 && c.position <= last) {
        const int32_t to = Ahead<kStereo>(c, L, R, narrow, k, n, last, outL + j - k, outR + j - k);
        j += to - k;
        k = to;
        if (k == n) break;
      }
      if (!kLooping && c.position >= note.lastIndex) {
        stop = true;
        break;
      }
      if (kOutput) {
        outL[j] = ClampToInt32(c.prevL + ((int64_t(c.deltaL) * c.fraction) >> 15));
        if (kStereo) outR[j] = ClampToInt32(c.prevR + ((int64_t(c.deltaR) * c.fraction) >> 15));
      }
      c.fraction += steps[k];
      if (c.fraction > 32767) {
        c.prevL = L[c.position];
        if (kStereo) c.prevR = R[c.position];
        c.position += c.fraction >> 15;
        c.fraction &= 32767;
        if (kLooping) {
          if (c.position > note.loopEnd)
            c.position -= (c.position - note.loopEnd + note.loopLength - 1) / note.loopLength * note.loopLength;
        } else if (c.position > note.lastIndex) {
          c.position = note.lastIndex;
          c.fraction = 0;
        }
        c.deltaL = L[c.position] - c.prevL;
        if (kStereo) c.deltaR = R[c.position] - c.prevR;
      }
    }
  }
  v.position = c.position;
  v.fraction = c.fraction;
  v.prevLeft = c.prevL;
  v.prevRight = c.prevR;
  v.deltaLeft = c.deltaL;
  v.deltaRight = c.deltaR;
  // The phase after j frames: the first step also brings a phase left over from a longer
  // period into this one. (The cursor may have looked further ahead.)
  if (j > 0) v.lfoPhase = int32_t(kVibrato ? ((phase + 1) % period + j - 1) % period : 0);
  return j;
}

template <bool kStereo, bool kVibrato>
int32_t RunLooping(bool looping, Voice& v, const NoteSample& note, int32_t frames,
                   const int32_t* table, int32_t* outL, int32_t* outR) {
  if (!outL)
    return looping ? Run<kStereo, kVibrato, true, false>(v, note, frames, table, outL, outR)
                   : Run<kStereo, kVibrato, false, false>(v, note, frames, table, outL, outR);
  return looping ? Run<kStereo, kVibrato, true, true>(v, note, frames, table, outL, outR)
                 : Run<kStereo, kVibrato, false, true>(v, note, frames, table, outL, outR);
}

}  // namespace

int32_t InterpolateValues(Voice& v, const NoteSample& note, int32_t frames, bool looping,
                          bool stereo, const int32_t* lfoTable, int32_t* left, int32_t* right) {
  // A depth of 0 always comes with a period of 1 (set so by ON and by MOD), which keeps the
  // phase at 0; otherwise the LFO runs.
  const bool vibrato = v.modDepth != 0 || v.lfoPeriod != 1;
  if (stereo)
    return vibrato ? RunLooping<true, true>(looping, v, note, frames, lfoTable, left, right)
                   : RunLooping<true, false>(looping, v, note, frames, lfoTable, left, right);
  return vibrato ? RunLooping<false, true>(looping, v, note, frames, lfoTable, left, right)
                 : RunLooping<false, false>(looping, v, note, frames, lfoTable, left, right);
}

}  // namespace resona
