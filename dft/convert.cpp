#include "convert.h"

#include "container.h"
#include "files.h"
#include "flacstream.h"
#include "results.h"
#include "wavlayout.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace dft {
namespace {

bool ReadExactly(const Source& source, uint64_t offset, std::vector<uint8_t>& bytes) {
  return source.ReadAt(offset, bytes.data(), bytes.size()) == bytes.size();
}

// No exception leaves a conversion; the target is removed on the way out.
template <typename Conversion>
int32_t Guarded(Conversion convert, const char* source, const char* target) {
  try {
    return convert(source, target);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (...) {
    return kInternalError;
  }
}

int32_t WavToDft(const char* sourcePath, const char* targetPath) {
  Source source;
  if (!sourcePath || !source.Open(sourcePath)) return kCantOpenSource;
  WavLayout layout;
  if (const int32_t result = ReadWavLayout(source, layout); result != kOk) return result;
  const uint64_t suffixLength = source.Size() - layout.DataEnd();
  if (layout.dataOffset > UINT32_MAX || suffixLength > UINT32_MAX) return kUnsupportedFormat;
  std::vector<uint8_t> prefix(layout.dataOffset), suffix(suffixLength);
  if (!ReadExactly(source, 0, prefix) || !ReadExactly(source, layout.DataEnd(), suffix))
    return kPrematureEnd;

  // Writing over the source would destroy it before it is read.
  if (!targetPath || source.IsFile(targetPath)) return kCantCreateTarget;
  Target target;
  if (!target.Create(targetPath)) return kCantCreateTarget;
  Header header;
  header.channels = layout.channels;
  header.bits = layout.bits;
  header.rate = layout.rate;
  header.frames = layout.frames;
  header.prefixLength = uint32_t(prefix.size());
  header.suffixLength = uint32_t(suffix.size());
  // The header is written again once the stream's length is known.
  const auto placeholder = EncodeHeader(header);
  if (!target.Write(placeholder.data(), placeholder.size()) ||
      !target.Write(prefix.data(), prefix.size()) || !target.Write(suffix.data(), suffix.size()))
    return kDiskFull;
  if (layout.frames > 0) {
    const int32_t result = EncodeSamples(source, layout, target, header.streamLength);
    if (result != kOk) return result;
  }
  header.crc = HeaderCrc(header, prefix.data(), suffix.data());
  const auto bytes = EncodeHeader(header);
  if (!target.Seek(0) || !target.Write(bytes.data(), bytes.size()) || !target.Finish())
    return kDiskFull;
  return kOk;
}

int32_t DftToWav(const char* sourcePath, const char* targetPath) {
  Source source;
  if (!sourcePath || !source.Open(sourcePath)) return kCantOpenSource;
  uint8_t head[kHeaderSize];
  const size_t got = source.ReadAt(0, head, kHeaderSize);
  if (got == 0 || std::memcmp(head, kMagic.data(), std::min(got, kMagic.size())) != 0)
    return kNotDft;
  if (got < kHeaderSize) return kPrematureEnd;
  const Header header = DecodeHeader(head);
  if (header.version != kVersion || header.reserved != 0) return kNotDft;
  if (header.channels != 1 && header.channels != 2) return kUndefinedChannels;
  if (header.bits != 8 && header.bits != 16) return kUnsupportedWordSize;
  if (header.FileSize() > source.Size()) return kPrematureEnd;
  if (header.FileSize() < source.Size()) return kNotDft;
  std::vector<uint8_t> prefix(header.prefixLength), suffix(header.suffixLength);
  if (!ReadExactly(source, kHeaderSize, prefix) ||
      !ReadExactly(source, kHeaderSize + prefix.size(), suffix))
    return kPrematureEnd;
  if (HeaderCrc(header, prefix.data(), suffix.data()) != header.crc) return kNotDft;

  if (!targetPath || source.IsFile(targetPath)) return kCantCreateTarget;
  Target target;
  if (!target.Create(targetPath)) return kCantCreateTarget;
  if (!target.Write(prefix.data(), prefix.size())) return kDiskFull;
  if (header.streamLength > 0) {
    const int32_t result =
        DecodeSamples(source, kHeaderSize + prefix.size() + suffix.size(), header, target);
    if (result != kOk) return result;
  } else if (header.frames > 0) {
    return kPrematureEnd;
  }
  if (!target.Write(suffix.data(), suffix.size()) || !target.Finish()) return kDiskFull;
  return kOk;
}

}  // namespace

int32_t DftFileToWav(const char* source, const char* target) {
  return Guarded(DftToWav, source, target);
}

int32_t WavFileToDft(const char* source, const char* target) {
  return Guarded(WavToDft, source, target);
}

}  // namespace dft
