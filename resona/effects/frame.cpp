#include "frame.h"

#include "resona/render.h"
#include "resona/wavefile.h"

#include <algorithm>
#include <cstring>

namespace resona::effects {

bool ReadInputFormat(const char* path, InputFormat& format) {
  if (path == nullptr) return false;
  const WaveFormat info = ReadWaveFormat(path);
  if (!info.valid || info.sampleRate <= 0) return false;
  format.bits = info.bits;
  format.tag = info.tag;
  format.channels = info.channels;
  format.rate = info.sampleRate;
  format.bytesPerFrame = info.bits / 8 * info.channels;
  format.dataOffset = info.dataOffset;
  if (format.Full()) {
    format.lo = INT32_MIN;
    format.hi = INT32_MAX;
  } else {
    format.hi = (1 << (info.bits - 1)) - 1;
    format.lo = -format.hi - 1;
  }
  const int64_t inFile = std::max<int64_t>(FileSize(path) - info.dataOffset, 0);
  const int64_t stated = int64_t(info.dataSize);
  format.frames = std::min({stated, inFile, int64_t(INT32_MAX)}) / format.bytesPerFrame;
  format.dataBytes = format.frames * format.bytesPerFrame;
  return format.frames > 0;
}

namespace detail {

// Each format has its own loop, so that the one in use runs without a test per sample.
void DecodeWide(const InputFormat& format, const uint8_t* p, int32_t frames, int channel, int32_t* out) {
  const int bytes = format.bits / 8;
  const int step = format.bytesPerFrame;
  p += channel * bytes;
  if (format.tag != kWaveFormatPcm && bytes == 4) {
    for (int32_t f = 0; f < frames; ++f, p += step) {
      float v;
      std::memcpy(&v, p, 4);
      out[f] = FromReal(double(v));
    }
  } else if (format.tag != kWaveFormatPcm) {
    for (int32_t f = 0; f < frames; ++f, p += step) {
      double v;
      std::memcpy(&v, p, 8);
      out[f] = FromReal(v);
    }
  } else if (bytes == 3) {
    // Four bytes at a time: the fourth (the next sample's, or past the block) is shifted out.
    for (int32_t f = 0; f < frames; ++f, p += step) out[f] = int32_t(Le32(p) << 8) >> 8;
  } else if (bytes == 4) {
    for (int32_t f = 0; f < frames; ++f, p += step) out[f] = int32_t(Le32(p));
  } else if (bytes == 2) {
    for (int32_t f = 0; f < frames; ++f, p += step) out[f] = int16_t(Le16(p));
  } else {
    for (int32_t f = 0; f < frames; ++f, p += step) out[f] = int32_t(p[0]) - 128;
  }
}

void EncodeWide(const InputFormat& format, const int32_t* in, int32_t frames, int channel, uint8_t* p) {
  const int bytes = format.bits / 8;
  const int step = format.bytesPerFrame;
  p += channel * bytes;
  if (format.tag != kWaveFormatPcm && bytes == 4) {
    for (int32_t f = 0; f < frames; ++f, p += step) {
      const float r = float(ToReal(in[f]));
      std::memcpy(p, &r, 4);
    }
  } else if (format.tag != kWaveFormatPcm) {
    for (int32_t f = 0; f < frames; ++f, p += step) {
      const double r = ToReal(in[f]);
      std::memcpy(p, &r, 8);
    }
  } else if (bytes == 3) {
    for (int32_t f = 0; f < frames; ++f, p += step) {
      const uint32_t v = uint32_t(in[f]);
      p[0] = uint8_t(v);
      p[1] = uint8_t(v >> 8);
      p[2] = uint8_t(v >> 16);
    }
  } else if (bytes == 1) {
    for (int32_t f = 0; f < frames; ++f, p += step) p[0] = uint8_t(in[f] + 128);
  } else {
    for (int32_t f = 0; f < frames; ++f, p += step) {
      const uint32_t v = uint32_t(in[f]);
      for (int b = 0; b < bytes; ++b) p[b] = uint8_t(v >> (8 * b));
    }
  }
}

}  // namespace detail

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
  const auto header = FormatHeader(input_.tag, input_.bits, input_.rate, input_.channels, 0);
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
  WriteFormatHeader(call_.outFile, input_.tag, input_.bits, input_.rate, input_.channels);
  return kEffectOk;
}

}  // namespace resona::effects
