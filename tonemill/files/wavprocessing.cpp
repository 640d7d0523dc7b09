#include "wavprocessing.h"

#include "platform/filesystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tonemill {
namespace {

constexpr int64_t kChunkBytes = 16384;

}  // namespace

ProcessingState OpenWavInput(const std::string& fileName) {
  ProcessingState s;
  s.header = std::make_unique<TWAVheader>(fileName);
  const TWAVheader& h = *s.header;
  s.DataSize = h.DataSize;
  s.DataStart = h.DataStart;
  s.BitsPerSample = h.BitsPerSample;
  s.Channels = h.Channels;
  s.SampleRate = h.SampleRate;
  s.BytesPerFrame = h.BitsPerSample / 8 * h.Channels;
  const bool eightBits = h.BitsPerSample == 8;
  if (h.Channels == 1)
    s.Layout = eightBits ? Mono8 : Mono16;
  else
    s.Layout = eightBits ? Stereo8 : Stereo16;
  return s;
}

void WriteWavHeader(TFastFile& file, int32_t bits, int32_t channels, int32_t rate) {
  const int64_t length = std::max<int64_t>(file.Size() - 44, 0);
  file.SeekTo(0);
  for (uint8_t b : CanonicalWavHeader(AudioFormat{rate, bits, channels}, uint32_t(length)))
    file.WriteByte(b);
}

void PadToEven(TFastFile& file, int32_t bits) {
  if (file.Size() % 2 == 0) return;
  file.SeekTo(file.Size());
  file.WriteByte(bits == 8 ? 128 : 0);
}

PlainFile::PlainFile(const std::string& fileName, bool forWriting, bool create)
    : name_(platform::NativePath(fileName)) {
  const int flags = create ? O_RDWR | O_CREAT | O_TRUNC : forWriting ? O_RDWR : O_RDONLY;
  fd_ = ::open(name_.c_str(), flags | O_CLOEXEC, 0666);
  if (fd_ < 0) throw EInOutError((create ? "Create error on " : "Open error on ") + name_ + ": " +
                                 std::strerror(errno));
}

int64_t PlainFile::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw EInOutError("Stat error on " + name_ + ": " + std::strerror(errno));
  return int64_t(st.st_size);
}

PlainFile::~PlainFile() {
  if (fd_ >= 0) ::close(fd_);
}

size_t PlainFile::Read(uint8_t* buffer, size_t count, int64_t position) {
  size_t got = 0;
  while (got < count) {
    ssize_t n = ::pread(fd_, buffer + got, count - got, off_t(position + int64_t(got)));
    if (n < 0) throw EInOutError("Read error on " + name_ + ": " + std::strerror(errno));
    if (n == 0) break;
    got += size_t(n);
  }
  return got;
}

void PlainFile::Write(const uint8_t* buffer, size_t count, int64_t position) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(fd_, buffer + done, count - done, off_t(position + int64_t(done)));
    if (n <= 0) throw EInOutError("Write error on " + name_ + ": " + std::strerror(errno));
    done += size_t(n);
  }
}

int64_t CopyRecords(PlainFile& source, PlainFile& destination, Progress& progress,
                 int32_t recordSize, int64_t sourcePosition, int64_t count,
                 int64_t destinationPosition) {
  const int64_t chunk = kChunkBytes / recordSize;
  std::vector<uint8_t> buffer(size_t(chunk * recordSize));
  int64_t from = sourcePosition * recordSize, to = destinationPosition * recordSize;
  int64_t copied = 0;
  while (count > 0 && progress.done < progress.total) {
    const int64_t want = std::min(chunk, count);
    const int64_t records = int64_t(source.Read(buffer.data(), size_t(want * recordSize), from)) /
                            recordSize;
    if (records == 0) break;
    destination.Write(buffer.data(), size_t(records * recordSize), to);
    from += records * recordSize;
    to += records * recordSize;
    count -= records;
    copied += records;
    progress.done += int32_t(records);
    progress.Pump();
  }
  return copied;
}

int64_t FillRecords(PlainFile& file, Progress& progress, uint8_t fillByte, int32_t recordSize,
                 int64_t startPosition, int64_t count) {
  const int64_t chunk = kChunkBytes / recordSize;
  std::vector<uint8_t> buffer(size_t(chunk * recordSize), fillByte);
  int64_t at = startPosition * recordSize;
  int64_t written = 0;
  while (count > 0 && progress.done < progress.total) {
    const int64_t records = std::min(chunk, count);
    file.Write(buffer.data(), size_t(records * recordSize), at);
    at += records * recordSize;
    count -= records;
    written += records;
    progress.done += int32_t(records);
    progress.Pump();
  }
  return written;
}

}  // namespace tonemill
