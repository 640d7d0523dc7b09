// The processing routines under every in-program WAV effect: the description of the current
// input, the canonical header writer, padding, and bulk copy and fill with progress and cancel.
#pragma once

#include "fastfile.h"
#include "progress.h"
#include "platform/library.h"
#include "wavheader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tonemill {

// The first four are the canonical files; the others are the engines' wider encodings (24 and
// 32-bit integers, 32 and 64-bit floats).
enum SampleLayout : int32_t {
  Mono8 = 0, Mono16 = 1, Stereo8 = 2, Stereo16 = 3,
  Mono24, Stereo24, Mono32, Stereo32, MonoFloat, StereoFloat, MonoDouble, StereoDouble,
};

// The processing state of one operation: the input's description. Any bit depth other than 8
// counts as 16.
struct ProcessingState {
  std::unique_ptr<TWAVheader> header;  // kept until the operation lets it go
  int32_t DataSize = 0;
  int32_t BytesPerFrame = 0;
  int32_t DataStart = 0;
  int32_t BitsPerSample = 0;
  int32_t Channels = 0;
  int32_t SampleRate = 0;
  SampleLayout Layout = Mono8;
};


ProcessingState OpenWavInput(const std::string& fileName);

// Writes the canonical header at position 0, with the data length taken from the file's
// current size (0 when it is shorter than the header).
void WriteWavHeader(TFastFile& file, int32_t bits, int32_t channels, int32_t rate);

// Appends one byte (128 for 8 bits, else 0) when the file's size is odd.
void PadToEven(TFastFile& file, int32_t bits);

// An unbuffered byte file for the bulk copies and the block-wise engines; throws EInOutError
// on failure. With `create` the file is made (or emptied) for writing.
class PlainFile {
 public:
  PlainFile(const std::string& fileName, bool forWriting, bool create = false);
  ~PlainFile();
  PlainFile(const PlainFile&) = delete;
  PlainFile& operator=(const PlainFile&) = delete;
  size_t Read(uint8_t* buffer, size_t count, int64_t position);
  void Write(const uint8_t* buffer, size_t count, int64_t position);
  int64_t Size() const;
  const std::string& Name() const { return name_; }

 private:
  int fd_ = -1;
  std::string name_;
};

// Copies `count` records of `recordSize` bytes from record `sourcePosition` of the source to
// record `destinationPosition` of the destination, in chunks of 16384 bytes; stops early when
// the source ends or the progress reaches its limit. Progress counts records. Returns the records
// copied.
int64_t CopyRecords(PlainFile& source, PlainFile& destination, Progress& progress,
                 int32_t recordSize, int64_t sourcePosition, int64_t count,
                 int64_t destinationPosition);

// Writes `count` records of the fill byte from record `startPosition` on, the same way. Returns
// the records written.
int64_t FillRecords(PlainFile& file, Progress& progress, uint8_t fillByte, int32_t recordSize,
                 int64_t startPosition, int64_t count);

}  // namespace tonemill
