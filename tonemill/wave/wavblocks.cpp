#include "wavblocks.h"

#include "tonemill/files/wavheader.h"

#include <algorithm>
#include <climits>

namespace tonemill {
namespace {

constexpr size_t kPendingBytes = 65536;

}  // namespace

SampleLayout LayoutOf(const WaveEncoding& encoding) {
  const bool mono = encoding.format.channels == 1;
  if (encoding.isFloat) {
    if (encoding.format.bits == 64) return mono ? MonoDouble : StereoDouble;
    return mono ? MonoFloat : StereoFloat;
  }
  switch (encoding.format.bits) {
    case 8: return mono ? Mono8 : Stereo8;
    case 24: return mono ? Mono24 : Stereo24;
    case 32: return mono ? Mono32 : Stereo32;
    default: return mono ? Mono16 : Stereo16;
  }
}

WavInputData::WavInputData(const std::string& path) : path_(path), file_(path, false) {
  const TWAVheader h(path);
  if (h.Located && h.DataSize < 0) throw EInOutError("Data of " + path + " too large to process");
  const std::optional<WaveEncoding> encoding = EngineEncoding(h);
  if (!encoding) throw EInOutError("Unsupported WAV format in " + path);
  encoding_ = *encoding;
  format_ = encoding_.format;
  layout_ = LayoutOf(encoding_);
  frameBytes_ = encoding_.FrameBytes();
  dataStart_ = h.DataStart;
  dataSize_ = h.DataSize;
  available_ = std::clamp<int64_t>(file_.Size() - dataStart_, 0, dataSize_);
}

int32_t ProgressTotal(int64_t bytes, const std::string& name) {
  if (bytes > INT32_MAX) throw EInOutError("Data of " + name + " too large to process");
  return int32_t(std::max<int64_t>(bytes, 0));
}

size_t WavInputData::Read(uint8_t* buffer, size_t count, int64_t offset) {
  if (offset >= available_) return 0;
  count = size_t(std::min<int64_t>(int64_t(count), available_ - offset));
  return file_.Read(buffer, count, dataStart_ + offset);
}

WavOutputData::WavOutputData(const std::string& path, const AudioFormat& format)
    : WavOutputData(path, WaveEncoding{format, false}) {}

WavOutputData::WavOutputData(const std::string& path, const WaveEncoding& encoding)
    : file_(path, true, true), format_(encoding.format), encoding_(encoding) {
  const std::vector<uint8_t> header = EngineWavHeader(encoding_, 0);
  file_.Write(header.data(), header.size(), 0);
  pending_.reserve(kPendingBytes);
}

void WavOutputData::Flush() {
  if (pending_.empty()) return;
  file_.Write(pending_.data(), pending_.size(), kHeaderBytes + size_ - int64_t(pending_.size()));
  pending_.clear();
}

void WavOutputData::Append(const uint8_t* bytes, size_t count) {
  if (pending_.size() + count > kPendingBytes) Flush();
  if (count >= kPendingBytes) {
    file_.Write(bytes, count, kHeaderBytes + size_);
  } else {
    pending_.insert(pending_.end(), bytes, bytes + count);
  }
  size_ += int64_t(count);
}

size_t WavOutputData::ReadAt(uint8_t* buffer, size_t count, int64_t offset) {
  Flush();
  if (offset >= size_) return 0;
  count = size_t(std::min<int64_t>(int64_t(count), size_ - offset));
  return file_.Read(buffer, count, kHeaderBytes + offset);
}

void WavOutputData::WriteAt(const uint8_t* bytes, size_t count, int64_t offset) {
  Flush();
  file_.Write(bytes, count, kHeaderBytes + offset);
  size_ = std::max(size_, offset + int64_t(count));
}

int64_t WavOutputData::AppendCopy(WavInputData& input, int64_t offset, int64_t count,
                                  Progress& progress) {
  Flush();
  count = std::clamp<int64_t>(input.Available() - offset, 0, count);
  const int64_t copied = CopyRecords(input.File(), file_, progress, 1, input.DataStart() + offset,
                                     count, kHeaderBytes + size_);
  size_ += copied;
  return copied;
}

int64_t WavOutputData::AppendFill(uint8_t fill, int64_t count, Progress& progress) {
  Flush();
  const int64_t written = FillRecords(file_, progress, fill, 1, kHeaderBytes + size_, count);
  size_ += written;
  return written;
}

void WavOutputData::Finish() {
  if ((kHeaderBytes + size_) % 2 != 0) {
    const uint8_t pad = !encoding_.IsWide() && format_.StoredBits() == 8 ? 128 : 0;
    Append(&pad, 1);
  }
  Flush();
  const std::vector<uint8_t> header = EngineWavHeader(encoding_, uint32_t(size_));
  file_.Write(header.data(), header.size(), 0);
}

SelectedBytes SelectBytes(const WavInputData& input, int64_t startFrame, int64_t endFrame) {
  const int64_t frameBytes = input.FrameBytes();
  SelectedBytes s;
  const int64_t lastByte = std::max<int64_t>(input.DataSize() - 1, 0);
  s.start = std::clamp<int64_t>(startFrame, 0, INT32_MAX) * frameBytes;
  s.start = std::min(s.start, lastByte);
  s.end = std::max(std::clamp<int64_t>(endFrame, -1, INT32_MAX) * frameBytes + frameBytes - 1, s.start);
  // Only whole frames the file holds are processed; a start inside a frame keeps its frame.
  const int64_t whole = input.WholeFrameBytes();
  s.start -= s.start % frameBytes;
  s.end = std::min(s.end, whole - 1);
  s.empty = s.start >= whole || s.end < s.start;
  return s;
}

}  // namespace tonemill
