#include "editorops.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tonemill {

RangeResult ReverseRange(const RangeRequest& request, Progress& progress) {
  WavInputData input(request.input);
  const RangeInfo info = DescribeRange(input, request);
  const SelectedBytes& range = info.bytes;
  const bool oneChannel = info.stereo && info.left != info.right;
  const int64_t frameBytes = info.frameBytes;
  const int64_t sampleBytes = frameBytes / info.format.channels;
  progress.total = ProgressTotal(input.DataSize() + (oneChannel ? range.Count() : 0), request.input);
  progress.done = 0;

  WavOutputData output(request.output, input.Encoding());
  output.AppendCopy(input, 0, range.empty ? input.DataSize() : range.start, progress);
  const int64_t blockBytes = kFramesPerPump * frameBytes;
  std::vector<uint8_t> backwards(static_cast<size_t>(blockBytes)), forwards;
  std::vector<uint8_t> out(static_cast<size_t>(blockBytes));
  if (oneChannel) forwards.resize(size_t(blockBytes));
  // The reversed channel's bytes within a frame; the other channel comes from the frame at the
  // same place read forwards.
  const int64_t reversedAt = oneChannel && info.right ? sampleBytes : 0;
  const int64_t reversedBytes = oneChannel ? sampleBytes : frameBytes;
  int64_t done = 0;  // bytes of the range written
  while (!range.empty && done < range.Count() && !CancelRequested(progress)) {
    const int64_t bytes = std::min(blockBytes, range.Count() - done);
    const int64_t frames = bytes / frameBytes;
    if (int64_t(input.Read(backwards.data(), size_t(bytes), range.end + 1 - done - bytes)) != bytes) break;
    if (oneChannel) {
      if (int64_t(input.Read(forwards.data(), size_t(bytes), range.start + done)) != bytes) break;
      std::memcpy(out.data(), forwards.data(), size_t(bytes));
    }
    for (int64_t i = 0; i < frames; ++i)
      std::memcpy(out.data() + i * frameBytes + reversedAt,
                  backwards.data() + (frames - 1 - i) * frameBytes + reversedAt, size_t(reversedBytes));
    output.Append(out.data(), size_t(bytes));
    done += bytes;
    progress.done += int32_t(oneChannel ? 2 * bytes : bytes);
    progress.Pump();
  }
  if (!CancelRequested(progress) && !range.empty)
    output.AppendCopy(input, range.end + 1, input.DataSize() - range.end - 1, progress);
  RangeResult result = FinishOutput(output, input, progress);
  // With one channel reversed a position no longer names one sound.
  if (oneChannel && range.Count() > frameBytes)
    result.frames = FrameMap::Unknown();
  else if (!range.empty)
    result.frames.Reverse(range.start / frameBytes, range.end / frameBytes);
  return result;
}

}  // namespace tonemill
