#include "echo.h"

#include "delayline.h"

namespace resona::effects {
namespace {

class Echo {
 public:
  Echo(DelayLine& line, const EchoParameters& p, bool eight)
      : line_(line), feedback_(p.feedback), level_(p.level), eight_(eight) {}
  void BeginFrame() {}
  void EndFrame() {}
  int32_t Step(int channel, int32_t x) {
    const int32_t d = line_.ReadAtPosition(channel);
    const int32_t y = ClampSample(int64_t(x) + d, eight_);
    // The line keeps unclamped values. Shifting right rounds toward minus infinity; the sum is
    // formed in 64 bits and stored as the 32-bit value it has wherever 32 bits suffice.
    line_.Write(channel, int32_t((int64_t(feedback_) * d + int64_t(level_) * x) >> 8));
    return y;
  }

 private:
  DelayLine& line_;
  int32_t feedback_, level_;
  bool eight_;
};

}  // namespace

int32_t RunEcho(const EffectCall& call, const EchoParameters& parameters) {
  EffectFrame frame;
  if (int32_t status = frame.Open(call)) return status;
  DelayLine line;
  if (!line.Allocate(parameters.delayFrames < 1 ? 1 : parameters.delayFrames, frame.Input().channels))
    return kEffectOutOfMemory;
  if (int32_t status = frame.Begin()) return status;
  Echo echo(line, parameters, frame.Input().bits == 8);
  frame.Process(echo);
  line.Free();
  return frame.Finish();
}

}  // namespace resona::effects
