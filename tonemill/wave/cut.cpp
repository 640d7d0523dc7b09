#include "editorops.h"

namespace tonemill {

RangeResult CutRange(const RangeRequest& request, Progress& progress) {
  WavInputData input(request.input);
  const SelectedBytes range = SelectBytes(input, request.startFrame, request.endFrame);
  progress.total = ProgressTotal(input.DataSize() - range.Count(), request.input);
  progress.done = 0;
  WavOutputData output(request.output, input.Encoding());
  output.AppendCopy(input, 0, range.empty ? input.DataSize() : range.start, progress);
  if (!range.empty) output.AppendCopy(input, range.end + 1, input.DataSize() - range.end - 1, progress);
  RangeResult result = FinishOutput(output, input, progress);
  if (!range.empty) result.frames.Remove(range.start / input.FrameBytes(), range.Count() / input.FrameBytes());
  return result;
}

}  // namespace tonemill
