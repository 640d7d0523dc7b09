#include "echo.h"

#include "delayline.h"

namespace resona::effects {
namespace {

// 8 and 16-bit files keep a line of 32-bit values; the wider ones a line of 64-bit values, so
// that an echo above full scale is kept as it is at the narrow widths.
template <class T>
class Echo {
 public:
  Echo(BasicDelayLine<T>& line, const EchoParameters& p, const InputFormat& in)
      : line_(line), feedback_(p.feedback), level_(p.level), lo_(in.lo), hi_(in.hi) {}
  void BeginFrame() {}
  void EndFrame() {}
  int32_t Step(int channel, int32_t x) {
    const T d = line_.ReadAtPosition(channel);
    // The line keeps unclamped values. Shifting right rounds toward minus infinity.
    if constexpr (sizeof(T) == 4) {
      const int32_t y = ClampSample(int64_t(x) + d, lo_, hi_);
      // The sum is formed in 64 bits and stored as the 32-bit value it has wherever 32 bits
      // suffice.
      line_.Write(channel, int32_t((int64_t(feedback_) * d + int64_t(level_) * x) >> 8));
      return y;
    } else {
      int64_t sum;
      if (__builtin_add_overflow(d, int64_t(x), &sum)) sum = d < 0 ? INT64_MIN : INT64_MAX;
      const int32_t y = ClampSample(sum, lo_, hi_);
      // A runaway feedback saturates at the 64-bit range instead of wrapping.
      line_.Write(channel, SaturatedMixShift8(feedback_, d, level_, x));
      return y;
    }
  }

 private:
  BasicDelayLine<T>& line_;
  int32_t feedback_, level_;
  int32_t lo_, hi_;
};

template <class T>
int32_t Run(EffectFrame& frame, const EchoParameters& parameters) {
  BasicDelayLine<T> line;
  if (!line.Allocate(parameters.delayFrames < 1 ? 1 : parameters.delayFrames, frame.Input().channels))
    return kEffectOutOfMemory;
  if (int32_t status = frame.Begin()) return status;
  Echo<T> echo(line, parameters, frame.Input());
  frame.Process(echo);
  line.Free();
  return frame.Finish();
}

}  // namespace

int32_t RunEcho(const EffectCall& call, const EchoParameters& parameters) {
  EffectFrame frame;
  if (int32_t status = frame.Open(call)) return status;
  return frame.Input().Wide() ? Run<int64_t>(frame, parameters) : Run<int32_t>(frame, parameters);
}

}  // namespace resona::effects
