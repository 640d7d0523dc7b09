#include "voice.h"

#include "interpolate.h"
#include "mix.h"
#include "render.h"
#include "resample.h"
#include "samplecache.h"
#include "status.h"
#include "wavefile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace resona {
namespace {

constexpr int32_t kBlockSamples = 176400;  // one mixing block, in samples of the output file
constexpr float kMinReleaseSlope = -0.00001f;

// Converts a frame count or similar quantity, saturating instead of overflowing; NaN gives 0.
int64_t SaturatingTrunc(long double x) {
  if (std::isnan(x)) return 0;
  if (x >= 9.0e18L) return INT64_C(9000000000000000000);
  if (x <= -9.0e18L) return -INT64_C(9000000000000000000);
  return int64_t(x);
}

int32_t ClampToInt32(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The first frame m in [0, n) for which the block's level satisfies `pred`, or n. The level is
// monotonic in m, so `pred` holds on a suffix of the frames.
template <class Pred>
int32_t FirstWhere(float levelStart, float slope, int32_t n, Pred pred) {
  int32_t lo = 0, hi = n;
  while (lo < hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (pred(RampLevel(levelStart, slope, mid)))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

}  // namespace

int64_t FramesForMs(int64_t ms, float samplesPerMs) {
  return SaturatingTrunc((long double)ms * (long double)samplesPerMs);
}

void DeriveEnvelope(Instrument& inst, const SongFormat& format) {
  const InstrumentLine& l = inst.line;
  inst.attackLength = FramesForMs(l.attackMs, format.samplesPerMs);
  inst.decayLength = FramesForMs(l.decayMs, format.samplesPerMs);
  inst.attackEnd = inst.attackLength - 1;
  inst.decayEnd = inst.attackEnd + inst.decayLength;
  // The derived rates are evaluated in extended precision and stored in single precision.
  inst.attackSlope =
      inst.attackLength == 0 ? 0.0f : float((long double)l.attackEndFactor / inst.attackLength);
  inst.decaySlope = inst.decayLength == 0
                        ? 0.0f
                        : float(((long double)l.decayEndFactor - l.attackEndFactor) /
                                inst.decayLength);
  inst.sustainStep = float((long double)l.sustainSlope / format.rate);
  inst.releaseStep = float((long double)l.releaseSlope / format.rate);
}

void NoteRatio(int32_t difference, int32_t& A, int32_t& B) {
  // Pythagorean length ratios A/B for -11..11 semitones.
  static constexpr int32_t kRatio[23][2] = {
      {243, 128}, {16, 9},    {27, 16},   {128, 81}, {3, 2},    {729, 512},
      {4, 3},     {81, 64},   {32, 27},   {9, 8},    {2187, 2048}, {1, 1},
      {2048, 2187}, {8, 9},   {27, 32},   {64, 81},  {3, 4},    {512, 729},
      {2, 3},     {81, 128},  {16, 27},   {9, 16},   {128, 243}};
  int32_t s = difference % 12;
  int64_t a = kRatio[s + 11][0];
  int64_t b = kRatio[s + 11][1];
  if (difference > 11) b <<= difference / 12;
  if (difference < -11) a <<= -difference / 12;
  if (a > 128) {
    b = b * 128 / a;
    a = 128;
    int64_t g = Gcd(a, b);
    a /= g;
    b /= g;
  }
  if (b > 128) {
    a = a * 128 / b;
    b = 128;
    int64_t g = Gcd(a, b);
    a /= g;
    b /= g;
  }
  A = int32_t(a);
  B = int32_t(b);
}

struct Synth::WorkBuffers {
  size_t blockElements = 0;
  int32_t frames = 0;
  std::unique_ptr<int16_t[]> block;  // 176400 samples of the output width
  std::unique_ptr<int32_t[]> values[2];     // interpolated values
  std::unique_ptr<int16_t[]> gathered[2];   // directly played values that wrap around a loop
  std::unique_ptr<int32_t[]> contributions[2];
};


namespace {

// Work buffers that finished synths gave back, for the next song of the same layout: at most
// one per processor, so that what is kept stays bounded. The process keeps them, not each
// thread: a loaded library's thread-local objects with destructors crash the leak checker's
// scan of the threads at exit.
class SpareWork {
 public:
  std::unique_ptr<Synth::WorkBuffers> Take(size_t blockElements, int32_t frames) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = buffers_.begin(); it != buffers_.end(); ++it)
      if ((*it)->blockElements == blockElements && (*it)->frames == frames) {
        std::unique_ptr<Synth::WorkBuffers> work = std::move(*it);
        buffers_.erase(it);
        return work;
      }
    return nullptr;
  }
  void GiveBack(std::unique_ptr<Synth::WorkBuffers> work) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (buffers_.size() < std::max<size_t>(2, std::thread::hardware_concurrency()))
      buffers_.push_back(std::move(work));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<Synth::WorkBuffers>> buffers_;
};

SpareWork& Spares() {
  static SpareWork spares;
  return spares;
}

}  // namespace

Synth::Synth(const SongFormat& format, MixFile& file, std::string sampleDirectory)
    : format_(format), file_(file), sampleDirectory_(std::move(sampleDirectory)) {
  blockFrames_ = kBlockSamples / format_.channels;
  const size_t blockElements =
      size_t(kBlockSamples) * size_t(std::max(format_.SampleBytes(), 2)) / 2;
  work_ = Spares().Take(blockElements, blockFrames_);
  if (!work_) {
    work_ = std::make_unique<WorkBuffers>();
    work_->blockElements = blockElements;
    work_->frames = blockFrames_;
    work_->block = std::make_unique_for_overwrite<int16_t[]>(blockElements);
    for (int c = 0; c < 2; ++c) {
      work_->values[c] = std::make_unique_for_overwrite<int32_t[]>(size_t(blockFrames_));
      work_->gathered[c] = std::make_unique_for_overwrite<int16_t[]>(size_t(blockFrames_));
      work_->contributions[c] = std::make_unique_for_overwrite<int32_t[]>(size_t(blockFrames_));
    }
  }
  block_ = work_->block.get();
  for (int c = 0; c < 2; ++c) {
    values_[c] = work_->values[c].get();
    gathered_[c] = work_->gathered[c].get();
    contributions_[c] = work_->contributions[c].get();
  }
}

Synth::~Synth() {
  if (work_) Spares().GiveBack(std::move(work_));
}

void Synth::ReleaseMemory() {
  sample_ = std::make_shared<InstrumentSample>();
  sampleKey_.clear();
  note_ = std::make_shared<NoteSample>();
}

int32_t Synth::ReadInstrument(std::string_view line, bool first) {
  int32_t status = ParseInstrumentLine(line, instrument_.line, first);
  if (status == kOk) DeriveEnvelope(instrument_, format_);
  return status;
}

int32_t Synth::LoadSample() {
  note_ = std::make_shared<NoteSample>();
  sample_ = std::make_shared<InstrumentSample>();
  const InstrumentLine& l = instrument_.line;
  const std::string path = SampleFilePath(sampleDirectory_, l.sampleName);
  sampleKey_ = samplecache::SampleKey(
      path, std::to_string(l.startPos) + ' ' + std::to_string(l.endPos) + ' ' +
                std::to_string(l.loopStart) + ' ' + std::to_string(l.loopEnd) + ' ' +
                std::to_string(format_.channels) + ' ' + std::to_string(format_.rate) + ' ' +
                std::to_string(format_.maxBufferSamples));
  if (auto kept = samplecache::FindSample(sampleKey_)) {
    sample_ = std::move(kept);
    return kOk;
  }
  auto sample = std::make_shared<InstrumentSample>();
  int32_t status = LoadSampleFile(path, l, format_.channels, format_.rate,
                                  format_.maxBufferSamples, *sample);
  if (status != kOk) {
    ReleaseMemory();
    return status;
  }
  sample_ = sample;
  samplecache::KeepSample(sampleKey_, std::move(sample));
  return kOk;
}

int32_t Synth::PrepareNote(int32_t note) {
  // A fresh note buffer each time: the mixing threads may still be playing the last one.
  auto n = std::make_shared<NoteSample>();
  note_ = n;
  voice_ = Voice{};
  const int32_t d = note - instrument_.line.baseNote;
  if (d > kMaxPitchDifference || d < -kMaxPitchDifference) return kNoteTooFar;
  int32_t A = 1, B = 1;
  NoteRatio(d, A, B);
  // The same ratio of the same sample gives the same buffer, whatever the note.
  const std::string key = sampleKey_.empty() ? std::string()
                          : sampleKey_ + '\n' + std::to_string(A) + '/' + std::to_string(B) +
                                (d == 0 ? " same" : "") + (format_.bits == 8 ? " 8" : "");
  if (auto kept = samplecache::FindNote(key)) {
    note_ = std::move(kept);
    return kOk;
  }
  const bool stereo = format_.channels == 2;
  int64_t length = sample_->length;
  if (d != 0) {
    int32_t status = ResampleArrays(A, B, sample_->left, sample_->right, sample_->length,
                                    n->leftStore, n->rightStore, kArrayTail,
                                    format_.maxBufferSamples);
    if (status != kOk) {
      ReleaseMemory();
      return status;
    }
    length = ResampledLength(sample_->length, A, B);
  } else if (format_.bits == 8) {
    n->leftStore = sample_->left;
    n->rightStore = sample_->right;
  }
  if (format_.bits == 8)
    for (auto* a : {&n->leftStore, &n->rightStore})
      for (int16_t& s : *a) s = int16_t(s >> 8);
  const bool own = !n->leftStore.empty();
  if (!own) n->sample = sample_;
  n->left = own ? n->leftStore.data() : sample_->left.data();
  const std::vector<int16_t>& right = own ? n->rightStore : sample_->right;
  n->right = !stereo ? nullptr : right.empty() ? n->left : right.data();
  n->lastIndex = length - 1;
  if (sample_->loopStart >= 0 && n->lastIndex >= 0) {
    n->loopStart = std::min(sample_->loopStart * A / B, n->lastIndex);
    n->loopEnd = std::max(std::min(sample_->loopEnd * A / B, n->lastIndex), n->loopStart);
    n->loopLength = n->loopEnd - n->loopStart + 1;
  }
  samplecache::KeepNote(key, std::move(n));
  return kOk;
}

void Synth::SplitGain(long double g) {
  auto clamp = [](long double x) { return float(x < 0 ? 0 : x > 127 ? 127 : x); };
  if (format_.channels == 1) {
    voice_.gainLeft = clamp(g);
    voice_.gainRight = 0;
    return;
  }
  const int64_t basePan = instrument_.line.basePan;
  voice_.gainRight = clamp((long double)(127 - basePan) * g * (long double)voice_.pan / 4096);
  voice_.gainLeft = clamp((long double)basePan * g * (long double)(127 - int64_t(voice_.pan)) / 4096);
}

// Gains are evaluated in extended precision, factor by factor from left to right.
void Synth::ComputeGains() {
  const InstrumentLine& l = instrument_.line;
  const Voice& v = voice_;
  long double g = (long double)v.velocity * format_.gain * l.velocitySens;
  g *= 1 + (long double)((int64_t(v.pressure) - 64) * l.pressureSens) / 6400;
  g *= v.volume + (long double)(int64_t(v.expression) * l.expressionSens) / 100;
  g *= 1 / ((long double)l.baseVolume * 6400);
  SplitGain(g);
}

void Synth::ComputeReleaseGains(int32_t releaseVelocity) {
  const InstrumentLine& l = instrument_.line;
  const Voice& v = voice_;
  long double g =
      (v.volume + (long double)(int64_t(v.expression) * l.expressionSens) / 100) / l.baseVolume;
  g *= format_.gain;
  g *= 1 + (long double)((int64_t(releaseVelocity) - 64) * l.releaseSens) / 6400;
  SplitGain(g);
}

void Synth::StartInterpolation() {
  Voice& v = voice_;
  const int64_t p = v.position;
  auto start = [&](const int16_t* a, int32_t& prev, int32_t& delta) {
    prev = p == 0 ? 0 : a[p - 1];
    delta = a[p] - prev;
  };
  start(note_->left, v.prevLeft, v.deltaLeft);
  if (note_->right) start(note_->right, v.prevRight, v.deltaRight);
}

int32_t Synth::CheckEvent(std::string_view line, Event& e) {
  int32_t status = ParseEventLine(line, e);
  if (status != kOk) return status;
  if (e.kind == EventKind::On && e.time < 0) return kIllegalEventTime;
  return kOk;
}

int32_t Synth::ExecuteEvent(std::string_view line) {
  Event e;
  int32_t status = CheckEvent(line, e);
  if (status != kOk) return status;
  ApplyEvent(e);
  return kOk;
}

void Synth::PlayNote(const Instrument& instrument, std::shared_ptr<const NoteSample> note) {
  instrument_ = instrument;
  note_ = std::move(note);
  voice_ = Voice{};
}

void Synth::ApplyEvent(const Event& e) {
  Voice& v = voice_;
  if (e.kind != EventKind::On && v.ended) return;

  if (e.kind == EventKind::On) {
    file_.Seek(kWaveHeaderSize + format_.frameBytes * FramesForMs(e.time, format_.samplesPerMs));
    v = Voice{};
    v.velocity = e.value;
    v.lastTime = e.time;
    // A note that starts where this file mixes nothing more (past a mixing thread's range) is
    // over for it at once.
    v.ended = file_.Position() >= file_.MixEnd();
    ComputeGains();
    return;
  }

  if (e.time > v.lastTime || e.kind == EventKind::Off) {
    if (v.firstSegment && instrument_.attackEnd <= 0) {
      const float factor = instrument_.decayEnd <= instrument_.attackEnd
                               ? instrument_.line.decayEndFactor
                               : instrument_.line.attackEndFactor;
      v.levelLeft = v.gainLeft * factor;
      v.levelRight = v.gainRight * factor;
    }
    const int64_t count = FramesForMs(int64_t(e.time) - v.lastTime, format_.samplesPerMs);
    if (count > 0) {
      RenderSegment(count);
      v.firstSegment = false;
    }
    if (e.kind == EventKind::Off) {
      v.released = true;
      ComputeReleaseGains(e.value);
      RenderSegment(0);
    }
  }
  v.lastTime = e.time;

  switch (e.kind) {
    case EventKind::Pressure: v.pressure = e.value; ComputeGains(); break;
    case EventKind::Volume: v.volume = e.value; ComputeGains(); break;
    case EventKind::Pan: v.pan = e.value; ComputeGains(); break;
    case EventKind::Expression: v.expression = e.value; ComputeGains(); break;
    case EventKind::Bend: {
      if (v.bend == 0 && v.modDepth == 0) StartInterpolation();
      v.bend = e.value;
      // Evaluated in extended precision: (value × range) / 8192 / 12, then 2^x × 32768. Steps
      // beyond 2^30 (thousands of octaves) are held there.
      long double octaves = (long double)(int64_t(e.value) * instrument_.line.bendRange) / 8192 / 12;
      long double step = std::exp2(octaves) * 32768;
      v.step = int32_t(std::min<long double>(step, 1 << 30));
      break;
    }
    case EventKind::Modulation: {
      if (v.modDepth == 0) {
        v.lfoPhase = 0;
        if (v.bend == 0) StartInterpolation();
      }
      const int32_t rate = instrument_.line.modRate;
      const int32_t period = rate > 0 ? format_.rate / rate : 0;  // rate 0: no vibrato
      if (period == 0) {
        v.lfoPeriod = 1;
        v.modDepth = 0;
      } else {
        v.lfoPeriod = period;
        v.modDepth = ClampToInt32(int64_t(e.value) * instrument_.line.modSens * 256 / 12700);
        if (v.modDepth == 0) v.lfoPeriod = 1;
      }
      break;
    }
    default: break;
  }
}

void Synth::RenderSegment(int64_t count) {
  stopped_[0] = stopped_[1] = false;
  Voice& v = voice_;
  if (v.released) {
    RenderRelease();
    return;
  }
  const Instrument& in = instrument_;
  int64_t n = count;
  // Attack and decay run straight through the note buffer (the unrolled loop copies make that
  // sound looped), each cut at the buffer's end.
  auto straightPhase = [&](int64_t phaseEnd, float rate) {
    int64_t k = std::min(phaseEnd - v.position + 1, n);
    k = std::max<int64_t>(0, std::min(k, note_->lastIndex - v.position + 1));
    RenderPhase(k, v.gainLeft * rate, v.gainRight * rate, false, Floor::None);
    n -= k;
  };
  if (v.position <= in.attackEnd) {
    straightPhase(in.attackEnd, in.attackSlope);
    if (n < 1) return;
  }
  if (v.position <= in.decayEnd) {
    straightPhase(in.decayEnd, in.decaySlope);
    if (n < 1) return;
  }
  const float left = v.gainLeft * in.sustainStep;
  const float right = v.gainRight * in.sustainStep;
  if (note_->loopEnd >= v.position && note_->loopEnd < v.position + n) {
    RenderPhase(n, left, right, true, Floor::Sustain);
  } else {
    if (v.position + n - 1 > note_->lastIndex) {
      v.ended = true;
      n = note_->lastIndex - v.position + 1;
    }
    // The level is floored at 0 here as in the looped sustain, so that a falling sustain cannot
    // turn the waveform over and grow louder again.
    RenderPhase(n, left, right, false, Floor::Sustain);
  }
}

void Synth::RenderRelease() {
  Voice& v = voice_;
  v.ended = true;
  const int channels = format_.channels;
  float slope[2] = {v.gainLeft * instrument_.releaseStep, v.gainRight * instrument_.releaseStep};
  const float level[2] = {v.levelLeft, v.levelRight};
  // Frames until the level reaches 0: evaluated in extended precision and truncated.
  auto framesToSilence = [&]() {
    int64_t frames = std::numeric_limits<int64_t>::min();
    for (int c = 0; c < channels; ++c) {
      if (slope[c] > kMinReleaseSlope) slope[c] = kMinReleaseSlope;
      frames = std::max(frames, SaturatingTrunc(-(long double)level[c] / slope[c]));
    }
    return frames;
  };
  if (v.position <= note_->loopEnd) {
    int64_t frames = framesToSilence();
    RenderPhase(frames, slope[0], slope[1], true, Floor::Release);
    return;
  }
  const int64_t rest = note_->lastIndex - v.position + 1;
  int64_t frames = rest;
  if (slope[0] < 0) frames = std::min(framesToSilence(), rest);
  RenderPhase(frames, slope[0], slope[1], false, Floor::Release);
}

void Synth::ProduceDirectLooping(int32_t frames, bool copy) {
  Voice& v = voice_;
  const int16_t* arrays[2] = {note_->left, note_->right};
  int64_t position = v.position;
  for (int c = 0; c < format_.channels; ++c) {
    int16_t* out = gathered_[c];
    int64_t p = v.position;
    for (int32_t j = 0; j < frames;) {
      int32_t run = int32_t(std::min<int64_t>(frames - j, note_->loopEnd - p + 1));
      if (copy) std::copy(arrays[c] + p, arrays[c] + p + run, out + j);
      j += run;
      p += run;
      if (p > note_->loopEnd) p = note_->loopStart;
    }
    position = p;
  }
  v.position = position;
}

template <class V>
void Synth::Contribute(const V* values, int32_t lo, int32_t hi, float level, float slope,
                       int32_t* out) const {
  if (format_.Wide())
    WideRampProducts(values + lo, hi - lo, level, slope, lo, out + lo);
  else
    RampProducts(values + lo, hi - lo, level, slope, lo, out + lo);
}

void Synth::AddContributions(uint8_t* frames, const int32_t* left, const int32_t* right,
                             int32_t count) const {
  const int32_t channels = format_.channels;
  switch (format_.bits) {
    case 8: AddSaturating(frames, channels, left, right, count); break;
    case 24: AddSaturating24(frames, channels, left, right, count); break;
    case kFloatBits: AddUnsaturated(frames, channels, left, right, count); break;
    default: AddSaturating(reinterpret_cast<int16_t*>(frames), channels, left, right, count);
  }
}

void Synth::RenderPhase(int64_t frames, float slopeLeft, float slopeRight, bool looping,
                        Floor floor) {
  Voice& v = voice_;
  const int channels = format_.channels;
  const int64_t frameBytes = format_.frameBytes;
  // Nothing is ever written past the file's limit; a voice that gets there is over, and so is
  // one that leaves a mixing thread's range.
  const int64_t room = std::max<int64_t>(0, (file_.MixEnd() - file_.Position()) / frameBytes);
  if (frames > room) {
    frames = room;
    v.ended = true;
  }
  if (frames <= 0) return;

  const bool interpolating = v.modDepth != 0 || v.bend != 0;
  float level[2] = {v.levelLeft, v.levelRight};
  const float slope[2] = {slopeLeft, slopeRight};
  const int16_t* arrays[2] = {note_->left, note_->right};
  bool exhausted = false;  // interpolation reached the end of the note buffer

  for (int64_t done = 0; done < frames;) {
    const int32_t nb = int32_t(std::min<int64_t>(frames - done, blockFrames_));
    int32_t produced = 0;
    const int16_t* direct[2] = {nullptr, nullptr};
    // A block of which this synth mixes nothing (outside its time range) only advances the voice.
    int32_t firstOwned = 0, lastOwned = nb;
    file_.Owned(file_.Position(), nb, int32_t(frameBytes), firstOwned, lastOwned);
    const bool wanted = lastOwned > firstOwned;
    if (!exhausted) {
      if (interpolating) {
        produced = InterpolateValues(v, *note_, nb, looping, channels == 2, format_.lfoTable,
                                     wanted ? values_[0] : nullptr,
                                     wanted ? values_[1] : nullptr);
        exhausted = produced < nb;
      } else if (looping) {
        ProduceDirectLooping(nb, wanted);
        for (int c = 0; c < channels; ++c) direct[c] = gathered_[c];
        produced = nb;
      } else {
        for (int c = 0; c < channels; ++c) direct[c] = arrays[c] + v.position;
        v.position += nb;
        produced = nb;
      }
    }

    // Which frames of the block each channel contributes to.
    int32_t from[2] = {0, 0}, to[2] = {produced, produced};
    int32_t written = produced;
    for (int c = 0; c < channels; ++c) {
      if (stopped_[c]) {
        to[c] = 0;
        continue;
      }
      if (floor == Floor::None) continue;
      if (floor == Floor::Release || slope[c] <= 0) {
        to[c] = FirstWhere(level[c], slope[c], produced, [](long double l) { return l <= 0; });
        if (to[c] < produced) stopped_[c] = true;
      } else {
        from[c] = FirstWhere(level[c], slope[c], produced, [](long double l) { return l > 0; });
      }
    }
    bool finished = false;
    if (floor == Floor::Release) {
      // Rendering stops once every channel has dropped to 0.
      written = channels == 1 ? to[0] : std::max(to[0], to[1]);
      finished = stopped_[0] && (channels == 1 || stopped_[1]);
    }

    if (written > 0) {
      // The frames of the block this synth mixes: all of them, unless it owns a time range of
      // the output. In memory they are mixed where they lie; in the file read, mixed, written.
      const int64_t at = file_.Position();
      int32_t first = 0, last = written;
      file_.Owned(at, written, frameBytes, first, last);
      uint8_t* target = last > first ? file_.ModifyAt(at + first * frameBytes, (last - first) * frameBytes)
                                     : nullptr;
      uint8_t* block = target ? target - first * frameBytes : BlockBuffer();
      if (!target && last > first) file_.Read(block, written * frameBytes);
      // 16-bit frames take the products and the adds in one pass where the machine has one.
      bool mixed = last <= first;
      int32_t lo[2], hi[2];
      for (int c = 0; c < channels; ++c) {
        lo[c] = std::clamp(from[c], first, last);
        hi[c] = std::clamp(to[c], lo[c], last);
      }
      if (!mixed && format_.bits == 16) {
        int16_t* samples = reinterpret_cast<int16_t*>(block);
        if (direct[0]) {
          RampRun<int16_t> runs[2];
          for (int c = 0; c < channels; ++c) runs[c] = {direct[c], level[c], slope[c], lo[c], hi[c]};
          mixed = MixRamps(samples, channels, runs, first, last);
        } else {
          RampRun<int32_t> runs[2];
          for (int c = 0; c < channels; ++c) runs[c] = {values_[c], level[c], slope[c], lo[c], hi[c]};
          mixed = MixRamps(samples, channels, runs, first, last);
        }
      }
      if (!mixed) {
        for (int c = 0; c < channels; ++c) {
          int32_t* contributions = contributions_[c];
          std::fill(contributions + first, contributions + lo[c], 0);
          std::fill(contributions + hi[c], contributions + last, 0);
          if (hi[c] == lo[c]) continue;
          if (direct[c])
            Contribute(direct[c], lo[c], hi[c], level[c], slope[c], contributions);
          else
            Contribute(values_[c], lo[c], hi[c], level[c], slope[c], contributions);
        }
        const int32_t* right = channels == 2 ? contributions_[1] + first : nullptr;
        AddContributions(block + first * frameBytes, contributions_[0] + first, right,
                         last - first);
      }
      if (!target && last > first) {
        file_.Write(block, written * frameBytes);
      } else {
        file_.Extend(at + written * frameBytes);
        file_.Skip(written * frameBytes);
      }
    }
    file_.Skip((nb - written) * frameBytes);
    for (int c = 0; c < channels; ++c)
      level[c] = float((long double)level[c] + (long double)nb * slope[c]);
    done += nb;
    if (finished || (exhausted && floor == Floor::Release)) break;
    // A long stretch keeps the host's window alive between its blocks. The driver alone tests
    // for a cancel, at its own points, so the output stays the same.
    if (done < frames && pumping_) Pump();
  }
  v.levelLeft = level[0];
  v.levelRight = level[1];
}

}  // namespace resona
