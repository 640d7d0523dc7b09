#include "interpolate.h"

#include <algorithm>

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

template <bool kStereo, bool kVibrato, bool kLooping, bool kOutput>
int32_t Run(Voice& v, const NoteSample& note, int32_t frames, const int32_t* table,
            int32_t* outL, int32_t* outR) {
  const int16_t* L = note.left;
  const int16_t* R = note.right;
  int64_t position = v.position, fraction = v.fraction;
  int32_t prevL = v.prevLeft, prevR = v.prevRight, deltaL = v.deltaLeft, deltaR = v.deltaRight;
  const int64_t step = v.step, depth = v.modDepth;
  LfoCursor lfo(v.lfoPhase, v.lfoPeriod);
  int32_t j = 0;
  for (; j < frames; ++j) {
    if (!kLooping && position >= note.lastIndex) break;
    if (kOutput) {
      outL[j] = ClampToInt32(prevL + ((int64_t(deltaL) * fraction) >> 15));
      if (kStereo) outR[j] = ClampToInt32(prevR + ((int64_t(deltaR) * fraction) >> 15));
    }
    // Without vibrato the period is 1 and the phase stays 0; the depth term is 0.
    if (kVibrato) {
      lfo.Advance();
      fraction += ((depth * table[lfo.Index()]) >> 9) + step;
    } else {
      fraction += step;
    }
    if (fraction > 32767) {
      prevL = L[position];
      if (kStereo) prevR = R[position];
      position += fraction >> 15;
      fraction &= 32767;
      if (kLooping) {
        if (position > note.loopEnd)
          position -= (position - note.loopEnd + note.loopLength - 1) / note.loopLength * note.loopLength;
      } else if (position > note.lastIndex) {
        position = note.lastIndex;
        fraction = 0;
      }
      deltaL = L[position] - prevL;
      if (kStereo) deltaR = R[position] - prevR;
    }
  }
  v.position = position;
  v.fraction = fraction;
  v.prevLeft = prevL;
  v.prevRight = prevR;
  v.deltaLeft = deltaL;
  v.deltaRight = deltaR;
  if (kVibrato)
    v.lfoPhase = int32_t(lfo.Phase());
  else if (j > 0)
    v.lfoPhase = 0;  // (phase + 1) mod 1
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
