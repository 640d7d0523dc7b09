#include "reference.h"

#include "resona/mix.h"
#include "resona/voice.h"

#include <algorithm>
#include <cmath>

namespace reference {

std::vector<int16_t> Resample(const resona::ResampleKernel& k, const std::vector<int16_t>& in) {
  const int64_t inLength = int64_t(in.size());
  const int64_t outLength = inLength * k.A / k.B;
  std::vector<int16_t> out(static_cast<size_t>(outLength));
  for (int64_t i = 0; i < outLength; ++i) {
    const int64_t p = i * k.B - k.h;
    int64_t sum = 0;
    for (int64_t t = 0; t <= 2 * k.h; ++t) {
      const int64_t f = p + t;
      if (f < 0 || f > inLength * k.A - 1) continue;
      sum += int64_t(k.taps[size_t(t)]) * in[size_t(f / k.A)];
    }
    sum >>= 15;
    out[size_t(i)] = int16_t(std::clamp<int64_t>(sum, -32768, 32767));
  }
  return out;
}

int32_t Interpolate(resona::Voice& v, const resona::NoteSample& note, int32_t frames, bool looping,
                    bool stereo, const int32_t* table, int32_t* outL, int32_t* outR) {
  auto clamp32 = [](int64_t x) { return int32_t(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)); };
  for (int32_t j = 0; j < frames; ++j) {
    if (!looping && v.position >= note.lastIndex) return j;
    outL[j] = clamp32(v.prevLeft + ((int64_t(v.deltaLeft) * v.fraction) >> 15));
    if (stereo) outR[j] = clamp32(v.prevRight + ((int64_t(v.deltaRight) * v.fraction) >> 15));
    v.lfoPhase = (v.lfoPhase + 1) % v.lfoPeriod;
    v.fraction += ((int64_t(v.modDepth) * table[int64_t(v.lfoPhase) * 1608 / v.lfoPeriod]) >> 9) + v.step;
    if (v.fraction > 32767) {
      v.prevLeft = note.left[v.position];
      if (stereo) v.prevRight = note.right[v.position];
      v.position += v.fraction >> 15;
      v.fraction &= 32767;
      if (looping) {
        while (v.position > note.loopEnd) v.position -= note.loopLength;
      } else if (v.position > note.lastIndex) {
        v.position = note.lastIndex;
        v.fraction = 0;
      }
      v.deltaLeft = note.left[v.position] - v.prevLeft;
      if (stereo) v.deltaRight = note.right[v.position] - v.prevRight;
    }
  }
  return frames;
}

namespace {

int64_t Trunc(long double x) { return int64_t(x); }

// The song's output, growing as notes run past its end.
struct Output {
  int channels;
  int bits;
  std::vector<int32_t> data;
  void Add(int64_t frame, int c, int32_t contribution) {
    size_t i = size_t(frame * channels + c);
    if (i >= data.size()) data.resize(size_t((frame + 1) * channels), bits == 8 ? 128 : 0);
    int32_t s = data[i] + contribution;
    data[i] = bits == 8 ? std::clamp(s, 0, 255) : std::clamp(s, -32768, 32767);
  }
  void Touch(int64_t frame) {
    if (size_t((frame + 1) * channels) > data.size())
      data.resize(size_t((frame + 1) * channels), bits == 8 ? 128 : 0);
  }
};

}  // namespace

std::vector<int32_t> Render(const Song& song) {
  const resona::InstrumentLine& in = song.instrument;
  const int ch = song.channels;
  const float spm = float(song.rate) / 1000.0f;
  const float gain = float(song.gain * 0.00390625);
  const int blockFrames = 176400 / ch;
  Output out{ch, song.bits, {}};
  out.data.assign(size_t(Trunc((long double)song.durationMs * spm) * ch), song.bits == 8 ? 128 : 0);

  // The instrument sample in the output's layout and rate.
  const Sample& s = song.sample;
  const bool stereoOut = ch == 2 && s.channels == 2;
  const int64_t n = int64_t(in.endPos) - in.startPos + 1;
  const int64_t fileFrames = int64_t(s.interleaved.size()) / s.channels;
  std::vector<int16_t> left(static_cast<size_t>(n)), right(stereoOut ? static_cast<size_t>(n) : 0);
  auto sample16 = [&](int32_t v) { return s.bits == 8 ? (v - 128) * 256 : v; };
  for (int64_t i = 0; i < n; ++i) {
    const int64_t f = in.startPos + i;
    if (f >= fileFrames) break;
    const int32_t a = s.interleaved[size_t(f * s.channels)];
    if (s.channels == 1) {
      left[size_t(i)] = int16_t(sample16(a));
    } else {
      const int32_t b = s.interleaved[size_t(f * s.channels + 1)];
      if (stereoOut) {
        left[size_t(i)] = int16_t(sample16(a));
        right[size_t(i)] = int16_t(sample16(b));
      } else if (s.bits == 8) {
        left[size_t(i)] = int16_t(((a + b - 256) >> 1) * 256);
      } else {
        left[size_t(i)] = int16_t(std::clamp((a + b) >> 1, -32768, 32767));
      }
    }
  }
  if (s.rate != song.rate) {
    resona::ResampleKernel k = resona::BuildKernel(song.rate, s.rate);
    left = Resample(k, left);
    if (stereoOut) right = Resample(k, right);
  }

  // Envelope constants.
  const int64_t attackLength = Trunc((long double)in.attackMs * spm);
  const int64_t decayLength = Trunc((long double)in.decayMs * spm);
  const int64_t attackEnd = attackLength - 1;
  const int64_t decayEnd = attackEnd + decayLength;
  const float attackSlope =
      attackLength ? float((long double)in.attackEndFactor / attackLength) : 0.0f;
  const float decaySlope =
      decayLength ? float(((long double)in.decayEndFactor - in.attackEndFactor) / decayLength) : 0.0f;
  const float sustainStep = float((long double)in.sustainSlope / song.rate);
  const float releaseStep = float((long double)in.releaseSlope / song.rate);

  for (const Strike& strike : song.strikes) {
    // The note buffer.
    const int d = strike.note - in.baseNote;
    int32_t A, B;
    resona::NoteRatio(d, A, B);
    std::vector<int16_t> noteL = left, noteR = right;
    if (d != 0) {
      resona::ResampleKernel k = resona::BuildKernel(A, B);
      noteL = Resample(k, left);
      if (stereoOut) noteR = Resample(k, right);
    }
    if (song.bits == 8) {
      for (auto& v : noteL) v = int16_t(v >> 8);
      for (auto& v : noteR) v = int16_t(v >> 8);
    }
    const std::vector<int16_t>* arrays[2] = {&noteL, stereoOut ? &noteR : &noteL};
    const int64_t lastIndex = int64_t(noteL.size()) - 1;

    // Gains.
    float gains[2];
    auto split = [&](long double g) {
      auto clamp = [](long double x) { return float(std::clamp<long double>(x, 0, 127)); };
      if (ch == 1) {
        gains[0] = clamp(g);
        gains[1] = 0;
      } else {
        gains[1] = clamp((long double)(127 - in.basePan) * g * 64 / 4096);
        gains[0] = clamp((long double)in.basePan * g * (127 - 64) / 4096);
      }
    };
    long double g = (long double)strike.velocity * gain * in.velocitySens;
    g *= 1 + (long double)(0 * in.pressureSens) / 6400;
    g *= 64 + (long double)(0 * in.expressionSens) / 100;
    g *= 1 / ((long double)in.baseVolume * 6400);
    split(g);

    int64_t frame = Trunc((long double)strike.onMs * spm);
    int64_t pos = 0;
    float level[2] = {0, 0};
    bool stopped[2] = {false, false};

    // Plays k frames straight through the note buffer.
    auto play = [&](int64_t k, const float slope[2], bool floor) {
      for (int64_t done = 0; done < k;) {
        const int64_t nb = std::min<int64_t>(k - done, blockFrames);
        for (int64_t m = 0; m < nb; ++m) {
          out.Touch(frame + m);
          for (int c = 0; c < ch; ++c) {
            const long double lvl = (long double)level[c] + (long double)m * slope[c];
            if (floor && stopped[c]) continue;
            if (floor && lvl <= 0) {
              if (slope[c] <= 0) stopped[c] = true;
              continue;
            }
            out.Add(frame + m, c,
                    resona::RampProduct((*arrays[c])[size_t(pos + m)], level[c], slope[c], m));
          }
        }
        pos += nb;
        frame += nb;
        done += nb;
        for (int c = 0; c < 2; ++c) level[c] = float((long double)level[c] + (long double)nb * slope[c]);
      }
    };

    if (attackEnd <= 0) {
      const float factor = decayEnd <= attackEnd ? in.decayEndFactor : in.attackEndFactor;
      for (int c = 0; c < 2; ++c) level[c] = gains[c] * factor;
    }
    int64_t count = Trunc((long double)(strike.offMs - strike.onMs) * spm);
    if (count > 0) {
      bool done = false;
      if (pos <= attackEnd) {
        int64_t k = std::max<int64_t>(0, std::min({attackEnd - pos + 1, count, lastIndex - pos + 1}));
        const float slope[2] = {gains[0] * attackSlope, gains[1] * attackSlope};
        play(k, slope, false);
        count -= k;
        done = count < 1;
      }
      if (!done && pos <= decayEnd) {
        int64_t k = std::max<int64_t>(0, std::min({decayEnd - pos + 1, count, lastIndex - pos + 1}));
        const float slope[2] = {gains[0] * decaySlope, gains[1] * decaySlope};
        play(k, slope, false);
        count -= k;
        done = count < 1;
      }
      if (!done) {
        if (pos + count - 1 > lastIndex) count = lastIndex - pos + 1;
        const float slope[2] = {gains[0] * sustainStep, gains[1] * sustainStep};
        stopped[0] = stopped[1] = false;
        play(count, slope, true);
      }
    }

    // Release: gains from the release formula, then frames until silence or the sample's end.
    long double rg = (64 + (long double)(0 * in.expressionSens) / 100) / in.baseVolume;
    rg *= gain;
    rg *= 1 + (long double)((int64_t(strike.releaseVelocity) - 64) * in.releaseSens) / 6400;
    split(rg);
    float slope[2] = {gains[0] * releaseStep, gains[1] * releaseStep};
    const int64_t rest = lastIndex - pos + 1;
    int64_t frames = rest;
    if (slope[0] < 0) {
      int64_t longest = INT64_MIN;
      for (int c = 0; c < ch; ++c) {
        if (slope[c] > -0.00001f) slope[c] = -0.00001f;
        longest = std::max(longest, Trunc(-(long double)level[c] / slope[c]));
      }
      frames = std::min(longest, rest);
    }
    bool silent[2] = {false, ch == 1};
    for (int64_t done = 0; done < frames && !(silent[0] && silent[1]);) {
      const int64_t nb = std::min<int64_t>(frames - done, blockFrames);
      for (int64_t m = 0; m < nb && !(silent[0] && silent[1]); ++m) {
        for (int c = 0; c < ch; ++c) {
          if (silent[c]) continue;
          if ((long double)level[c] + (long double)m * slope[c] <= 0) {
            silent[c] = true;
            continue;
          }
          out.Add(frame + m, c,
                  resona::RampProduct((*arrays[c])[size_t(pos + m)], level[c], slope[c], m));
        }
        if (!(silent[0] && silent[1])) out.Touch(frame + m);
      }
      pos += nb;
      frame += nb;
      done += nb;
      for (int c = 0; c < 2; ++c) level[c] = float((long double)level[c] + (long double)nb * slope[c]);
    }
  }
  return out.data;
}

}  // namespace reference
