#include "extend.h"

#include <algorithm>
#include <climits>

namespace tonemill {

RangeResult ExtendWav(const std::string& inputPath, const std::string& outputPath,
                      const ExtendSettings& settings, Progress& progress) {
  WavInputData input(inputPath);
  const int64_t frameBytes = input.FrameBytes();
  const int64_t dataSize = input.DataSize();
  int64_t insertAt = std::max<int64_t>(settings.startFrame, 0) * frameBytes;
  if (settings.append || insertAt >= dataSize) insertAt = dataSize;
  const int64_t silence = std::clamp<int64_t>(settings.durationFrames, 0, INT32_MAX) * frameBytes;
  progress.total = ProgressTotal(dataSize + silence, inputPath);
  progress.done = 0;

  WavOutputData output(outputPath, input.Encoding());
  // An input cut short before the insertion point is extended where its data ends.
  output.AppendCopy(input, 0, insertAt, progress);
  output.AppendFill(input.Format().bits == 8 ? 128 : 0, silence, progress);
  output.AppendCopy(input, insertAt, dataSize - insertAt, progress);
  RangeResult result = FinishOutput(output, input, progress);
  result.frames.Insert(insertAt / frameBytes, silence / frameBytes);
  return result;
}

}  // namespace tonemill
