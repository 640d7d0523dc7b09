#include "frame.h"

#include "resona/render.h"
#include "resona/wavefile.h"

#include <algorithm>

namespace resona::effects {

bool ReadInputFormat(const char* path, InputFormat& format) {
  if (path == nullptr) return false;
  const WaveInfo info = ReadWaveInfo(path);
  if (!info.valid || (info.bitsPerSample != 8 && info.bitsPerSample != 16) || info.sampleRate <= 0)
    return false;
  format.bits = info.bitsPerSample;
  format.channels = info.channels;
  format.rate = info.sampleRate;
  format.bytesPerFrame = info.bitsPerSample / 8 * info.channels;
  format.dataOffset = info.dataOffset;
  const int64_t inFile = std::max<int64_t>(FileSize(path) - info.dataOffset, 0);
  const int64_t stated = int64_t(uint32_t(info.dataSize));
  format.frames = std::min({stated, inFile, int64_t(INT32_MAX)}) / format.bytesPerFrame;
  format.dataBytes = format.frames * format.bytesPerFrame;
  return format.frames > 0;
}

void PumpClock::Advance(int32_t steps) {
  count_ += steps;
  if (count_ >= kInterval) {
    count_ = 0;
    Pump();
  }
}

int32_t EffectFrame::Open(const EffectCall& call) {
  call_ = call;
  if (!call.progress || !call.total || !call.outFile) return kEffectBadArgument;
  if (!ReadInputFormat(call.inFile, input_)) return kEffectBadInput;
  if (input_.channels == 2) {
    process_[0] = call.rightOnly == 0 || call.leftOnly != 0;
    process_[1] = call.leftOnly == 0;
  }
  // The range in whole frames: a start beyond the data starts at the last frame, an end before
  // the start processes one frame.
  const int64_t last = input_.frames - 1;
  const int64_t first = std::clamp<int64_t>(call.startFrame, 0, last);
  const int64_t final = std::clamp<int64_t>(call.endFrame, first, last);
  start_ = first * input_.bytesPerFrame;
  end_ = (final + 1) * input_.bytesPerFrame - 1;
  return kEffectOk;
}

void EffectFrame::LimitFrames(int64_t frames) {
  const int64_t limit = start_ + std::max<int64_t>(frames, 1) * input_.bytesPerFrame - 1;
  end_ = std::min(end_, limit);
}

int32_t EffectFrame::Begin() {
  *call_.total = int32_t(input_.dataBytes);
  if (!writer_.Create(call_.outFile)) return kEffectCantCreate;
  const auto header = CanonicalHeader(input_.bits, input_.rate, input_.channels, 0);
  writer_.Write(header.data(), header.size());
  if (!reader_.Open(call_.inFile, input_.dataOffset)) return kEffectBadInput;
  *call_.progress = 0;
  CopyUntil(start_);
  return kEffectOk;
}

bool EffectFrame::AdvanceExtra(int32_t bytes, int32_t steps) {
  *call_.progress += bytes;
  extra_ += bytes;
  clock_.Advance(steps);
  return !Cancelled();
}

void EffectFrame::CopyUntil(int64_t target) {
  uint8_t buffer[PumpClock::kInterval];
  while (int64_t(*call_.progress) - extra_ < target && pos_ < target) {
    const int64_t want = std::min<int64_t>(target - pos_, clock_.Room());
    const size_t got = reader_.Read(buffer, size_t(want));
    if (got == 0) return;
    writer_.Write(buffer, got);
    pos_ += int64_t(got);
    Report();
    clock_.Advance(int32_t(got));
  }
}

int32_t EffectFrame::Finish() {
  CopyUntil(input_.dataBytes);
  if (!writer_.Close()) return kEffectWriteFailed;
  PadWaveFile(call_.outFile, input_.bits);
  WriteWaveHeader(call_.outFile, input_.bits, input_.rate, input_.channels);
  return kEffectOk;
}

}  // namespace resona::effects
