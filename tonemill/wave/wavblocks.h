// The pieces every WAV engine is built from: the input's data chunk read in blocks, an output
// WAV written in blocks (header reserved first, padded and rewritten last), the bytes a
// selection covers, and the bulk copies and fills that count progress and stop on a cancel.
#pragma once

#include "tonemill/files/audioformat.h"
#include "tonemill/files/progress.h"
#include "tonemill/files/wavprocessing.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tonemill {

// The engines yield to the front end every this many frames.
constexpr int32_t kFramesPerPump = 10000;

// A cancel pushes the counter past the total; the engines test this at every block.
inline bool CancelRequested(const Progress& progress) {
  return progress.Cancelled() || progress.done > progress.total;
}

// The progress total for `bytes` of work on `name`'s data: the counters are 32-bit, as the
// library's progress protocol has them, so more work than they hold is refused (EInOutError).
int32_t ProgressTotal(int64_t bytes, const std::string& name);

class WavInputData {
 public:
  // Opens an input that passed its checks. Throws EInOutError when it cannot be read, is not
  // a mono or stereo WAV file of an encoding the engines process, or claims 2 GB of data or more.
  explicit WavInputData(const std::string& path);

  const std::string& Path() const { return path_; }
  AudioFormat Format() const { return format_; }
  const WaveEncoding& Encoding() const { return encoding_; }
  SampleLayout Layout() const { return layout_; }
  int32_t FrameBytes() const { return frameBytes_; }
  int64_t DataSize() const { return dataSize_; }  // as the header claims
  // The data bytes the file holds: fewer than DataSize when the file ends early.
  int64_t Available() const { return available_; }
  bool EndsEarly() const { return available_ < dataSize_; }
  int64_t WholeFrameBytes() const { return available_ - available_ % frameBytes_; }

  // Reads up to `count` bytes from `offset` within the data; fewer at the end of the file.
  size_t Read(uint8_t* buffer, size_t count, int64_t offset);
  PlainFile& File() { return file_; }
  int64_t DataStart() const { return dataStart_; }

 private:
  std::string path_;
  PlainFile file_;
  AudioFormat format_;
  WaveEncoding encoding_;
  SampleLayout layout_ = Mono8;
  int32_t frameBytes_ = 1;
  int64_t dataStart_ = 0, dataSize_ = 0, available_ = 0;
};

class WavOutputData {
 public:
  static constexpr int64_t kHeaderBytes = 44;

  // Creates the file (or empties it) and reserves the header.
  WavOutputData(const std::string& path, const AudioFormat& format);
  // The same for any encoding the engines process (the header says float or the real width).
  WavOutputData(const std::string& path, const WaveEncoding& encoding);

  int64_t Size() const { return size_; }  // data bytes written so far

  // Appends at the end of the data.
  void Append(const uint8_t* bytes, size_t count);
  // The mixer works in place on what earlier sources wrote.
  size_t ReadAt(uint8_t* buffer, size_t count, int64_t offset);
  void WriteAt(const uint8_t* bytes, size_t count, int64_t offset);

  // Appends `count` bytes of the input's data from `offset`, in 16384-byte chunks that advance
  // the progress and pump; stops at the end of the input's file or when the counter reaches its
  // total. Returns the bytes copied.
  int64_t AppendCopy(WavInputData& input, int64_t offset, int64_t count, Progress& progress);
  // Appends `count` copies of the fill byte the same way.
  int64_t AppendFill(uint8_t fill, int64_t count, Progress& progress);

  // Pads the data to an even length (128 for 8 bits, else 0) and writes the final header.
  void Finish();

 private:
  void Flush();

  PlainFile file_;
  AudioFormat format_;
  WaveEncoding encoding_;
  int64_t size_ = 0;
  std::vector<uint8_t> pending_;  // appended bytes not yet written
};

// The bytes of the data a selection of frames covers, as the range frame computes them: the
// start byte taken into the data, the end byte (inclusive) raised to the start. Both are then
// kept within the whole frames the file holds, so that no effect reads past the data (`empty`
// when nothing of the selection is there).
struct SelectedBytes {
  int64_t start = 0, end = -1;
  bool empty = true;
  int64_t Count() const { return empty ? 0 : end - start + 1; }
};
SelectedBytes SelectBytes(const WavInputData& input, int64_t startFrame, int64_t endFrame);

}  // namespace tonemill
