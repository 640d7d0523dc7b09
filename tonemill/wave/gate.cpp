#include "gate.h"

#include <cstdlib>

namespace tonemill {
namespace {

class Gate {
 public:
  explicit Gate(const GateSettings& s) : s_(s) {}

  void Begin(const RangeInfo& info) {
    info_ = info;
    together_ = info.left && info.right;
    // One gain for both channels of a stereo frame: their summed level meets twice the
    // threshold. A mono file is gated as its one channel, against the threshold as entered.
    const int64_t threshold = ScaledLevel(s_.threshold, info.limits);
    threshold_ = together_ ? 2 * threshold : threshold;
    attackStep_ = s_.attackFrames < 1 ? 1.0L : 1.0L / s_.attackFrames;
    decayStep_ = s_.decayFrames < 1 ? 1.0L : 1.0L / s_.decayFrames;
  }

  void Step(FrameValues& frame, int64_t) {
    const int64_t level = together_   ? Magnitude(frame.left) + Magnitude(frame.right)
                          : info_.left ? Magnitude(frame.left)
                                       : Magnitude(frame.right);
    const bool loud = level >= threshold_;
    switch (state_) {
      case State::Open:
        if (loud) return;
        StartRamp(State::Closing, 1);
        break;
      case State::Closing:
        if (loud) StartRamp(State::Opening, gain_);
        break;
      case State::Closed:
        if (!loud) return Apply(frame, 0);
        StartRamp(State::Opening, 0);
        break;
      case State::Opening:
        if (!loud) StartRamp(State::Closing, gain_);
        break;
    }
    // Within a ramp the gain is recomputed from its start, not accumulated.
    if (state_ == State::Closing) {
      gain_ = rampStart_ - k_ * decayStep_;
      if (gain_ <= 0) {
        state_ = State::Closed;
        gain_ = 0;
        return Apply(frame, 0);
      }
    } else {
      gain_ = rampStart_ + k_ * attackStep_;
      if (gain_ >= 1) {
        state_ = State::Open;
        gain_ = 1;
        return;
      }
    }
    ++k_;
    Apply(frame, gain_);
  }

 private:
  enum class State { Open, Closing, Closed, Opening };

  void StartRamp(State state, long double from) {
    state_ = state;
    rampStart_ = from;
    k_ = 1;
  }

  // Trunc(s × g); silence at a gain of 0.
  void Apply(FrameValues& frame, long double g) {
    ForSelectedChannels(info_, frame, [g](int32_t& s, int) { s = Truncated(s * g); });
  }

  GateSettings s_;
  RangeInfo info_;
  bool together_ = false;
  int64_t threshold_ = 0;
  long double attackStep_ = 1, decayStep_ = 1;
  State state_ = State::Open;
  long double gain_ = 1, rampStart_ = 1;
  int64_t k_ = 1;
};

}  // namespace

RangeResult GateRange(const RangeRequest& request, const GateSettings& settings, Progress& progress) {
  Gate effect(settings);
  return ProcessRange(request, effect, progress);
}

}  // namespace tonemill
