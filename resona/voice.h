// Voice synthesis: one instrument sample, one pitch-shifted note buffer and one voice at a time,
// mixed in place into the output file.
#pragma once

#include "lst.h"
#include "mixfile.h"
#include "samplefile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace resona {

// The output width that stands for 32-bit float samples.
constexpr int32_t kFloatBits = 32;

// Per-song constants.
struct SongFormat {
  // 8 or 16 (the note's contribution at the sample scale, saturated at the width), 24 (the
  // contribution formed at 256 times the 16-bit scale, saturated at 24 bits) or kFloatBits
  // (the 24-bit contributions summed in single precision without saturation, 2^23 being 1.0).
  int32_t bits = 16;
  int32_t channels = 2;   // 1 or 2
  int32_t rate = 44100;
  float gain = 1.0f;      // gain argument / 256
  float samplesPerMs = 44.1f;
  int32_t frameBytes = 4;
  bool Wide() const { return bits > 16; }
  int32_t SampleBytes() const { return bits / 8; }
  const int32_t* lfoTable = nullptr;  // 1608 entries, cos × 65536
  int64_t maxBufferSamples = kMaxBufferSamples;  // the largest sample or note buffer
};

// Frames of a stretch of `ms` milliseconds: the product is formed in extended precision from
// the single-precision samplesPerMs and truncated toward zero.
int64_t FramesForMs(int64_t ms, float samplesPerMs);

// The instrument line and what is derived from it.
struct Instrument {
  InstrumentLine line;
  int64_t attackLength = 0;
  int64_t decayLength = 0;
  int64_t attackEnd = 0;
  int64_t decayEnd = 0;
  float attackSlope = 0;
  float decaySlope = 0;
  float sustainStep = 0;
  float releaseStep = 0;
};
void DeriveEnvelope(Instrument& inst, const SongFormat& format);

// The instrument sample resampled to one note's pitch. A mono sample on stereo output plays
// the same array on both sides. Arrays carry a few zero frames past lastIndex.
struct NoteSample {
  std::shared_ptr<const InstrumentSample> sample;  // set when `left` and `right` point into it
  std::vector<int16_t> leftStore, rightStore;
  const int16_t* left = nullptr;
  const int16_t* right = nullptr;
  int64_t lastIndex = -1;
  int64_t loopStart = -1;
  int64_t loopEnd = -1;
  int64_t loopLength = 0;
};

// The length ratio A/B (output length / input length) for a pitch difference, reduced so that
// neither term exceeds 128. Only for |difference| <= 84.
void NoteRatio(int32_t difference, int32_t& A, int32_t& B);
constexpr int32_t kMaxPitchDifference = 84;

struct Voice {
  int32_t velocity = 0;
  int32_t pressure = 64;
  int32_t volume = 64;
  int32_t pan = 64;
  int32_t expression = 0;
  int32_t bend = 0;
  int32_t modDepth = 0;
  int32_t lfoPeriod = 1;
  int32_t lfoPhase = 0;
  int32_t step = 32768;
  int64_t position = 0;
  int64_t fraction = 0;
  int32_t prevLeft = 0, prevRight = 0;
  int32_t deltaLeft = 0, deltaRight = 0;
  float gainLeft = 0, gainRight = 0;
  float levelLeft = 0, levelRight = 0;
  int32_t lastTime = 0;
  bool firstSegment = true;
  bool released = false;
  bool ended = true;  // no events act before the first ON of a note block
};

class Synth {
 public:
  Synth(const SongFormat& format, MixFile& file, std::string sampleDirectory);
  ~Synth();
  struct WorkBuffers;
  Synth(const Synth&) = delete;
  Synth& operator=(const Synth&) = delete;

  // Parses, checks and derives an instrument line (statuses 8-25, 28).
  int32_t ReadInstrument(std::string_view line, bool first);
  // Loads the instrument's sample (statuses 26, 1).
  int32_t LoadSample();
  // Builds the note buffer for a note number (statuses 31, 1).
  int32_t PrepareNote(int32_t note);
  // Parses and executes an event line, rendering the stretch before it (statuses 27, 33).
  int32_t ExecuteEvent(std::string_view line);
  // The two halves of that: the parse and its checks, and the execution of a checked event.
  static int32_t CheckEvent(std::string_view line, Event& e);
  void ApplyEvent(const Event& e);

  // For a synth that plays what another prepared: the note buffer of PrepareNote, and events.
  void PlayNote(const Instrument& instrument, std::shared_ptr<const NoteSample> note);
  std::shared_ptr<const NoteSample> CurrentNote() const { return note_; }
  // Whether long stretches pump between their blocks (only on the caller's thread).
  void SetPumping(bool pumping) { pumping_ = pumping; }

  const Instrument& CurrentInstrument() const { return instrument_; }
  // The block buffer for the output width, also used for the silence pass.
  uint8_t* BlockBuffer() { return reinterpret_cast<uint8_t*>(block_); }
  void ReleaseMemory();

 private:
  enum class Floor { None, Sustain, Release };
  void ComputeGains();
  void ComputeReleaseGains(int32_t releaseVelocity);
  void SplitGain(long double g);
  void StartInterpolation();
  void RenderSegment(int64_t count);
  void RenderRelease();
  void RenderPhase(int64_t frames, float slopeLeft, float slopeRight, bool looping, Floor floor);
  void ProduceDirectLooping(int32_t frames, bool copy);
  // The note's contribution to frames [lo, hi) of a block whose level starts at `level`: the
  // ramp products of its values at the scale of the output width.
  template <class V>
  void Contribute(const V* values, int32_t lo, int32_t hi, float level, float slope, int32_t* out) const;
  // Adds the contributions of `count` frames into `frames` in the output width.
  void AddContributions(uint8_t* frames, const int32_t* left, const int32_t* right, int32_t count) const;

  SongFormat format_;
  MixFile& file_;
  std::string sampleDirectory_;
  Instrument instrument_;
  std::shared_ptr<const InstrumentSample> sample_ = std::make_shared<InstrumentSample>();
  std::string sampleKey_;  // the sample's key in the cache of prepared samples, or empty
  std::shared_ptr<const NoteSample> note_ = std::make_shared<NoteSample>();
  Voice voice_;
  bool pumping_ = true;
  bool stopped_[2] = {false, false};  // a channel that stopped contributing in this segment

  // Work buffers for one block, written before they are read. Each thread keeps the last set
  // it used for its next song of the same layout, sparing the allocation and first touch of
  // their pages.
  int32_t blockFrames_;
  std::unique_ptr<WorkBuffers> work_;
  int16_t* block_;
  int32_t* values_[2];
  int16_t* gathered_[2];
  int32_t* contributions_[2];
};

}  // namespace resona
