#include "rangeframe.h"

#include <algorithm>

namespace tonemill {

RangeRequest RangeOf(const LaunchValues& launch, const std::string& output) {
  RangeRequest r;
  r.input = launch.input;
  r.output = output;
  r.startFrame = FramesOf(launch.start, launch);
  r.endFrame = FramesOf(launch.end, launch);
  r.leftOnly = launch.leftOnly;
  r.rightOnly = launch.rightOnly;
  return r;
}

RangeInfo DescribeRange(const WavInputData& input, const RangeRequest& request) {
  RangeInfo info;
  info.format = input.Format();
  info.encoding = input.Encoding();
  info.eightBit = info.format.bits == 8;
  info.stereo = info.format.channels == 2;
  info.frameBytes = input.FrameBytes();
  info.limits = SampleLimits::ForBits(info.format.bits);
  info.bytes = SelectBytes(input, request.startFrame, request.endFrame);
  // A mono file is processed whatever the choice; a stereo one as chosen, both when neither.
  info.left = !info.stereo || request.leftOnly || !request.rightOnly;
  info.right = info.stereo && (request.rightOnly || !request.leftOnly);
  return info;
}

RangeFrame::RangeFrame(const RangeRequest& request, Progress& progress, int64_t earlierBytes)
    : input_(request.input), progress_(progress), info_(DescribeRange(input_, request)) {
  progress_.total = ProgressTotal(input_.DataSize() + earlierBytes, request.input);
  if (earlierBytes == 0) progress_.done = 0;
  output_ = std::make_unique<WavOutputData>(request.output, info_.encoding);
  output_->AppendCopy(input_, 0, info_.bytes.start, progress_);
  next_ = info_.bytes.start;
  block_.resize(size_t(kFramesPerPump) * size_t(info_.frameBytes));
  left_.resize(size_t(kFramesPerPump));
  right_.resize(size_t(kFramesPerPump));
}

int32_t RangeFrame::NextBlock() {
  if (info_.bytes.empty || next_ > info_.bytes.end || CancelRequested(progress_)) return 0;
  const int64_t frames = std::min<int64_t>(kFramesPerPump, (info_.bytes.end + 1 - next_) / info_.frameBytes);
  const size_t want = size_t(frames * info_.frameBytes);
  // The range lies within what the file held when it was opened; a file cut meanwhile ends it.
  const size_t got = input_.Read(block_.data(), want, next_);
  return int32_t(got / size_t(info_.frameBytes));
}

void RangeFrame::PutBlock(int32_t frames) {
  const size_t bytes = size_t(frames) * size_t(info_.frameBytes);
  output_->Append(block_.data(), bytes);
  next_ += int64_t(bytes);
  progress_.done += int32_t(bytes);
  progress_.Pump();
}

RangeResult FinishOutput(WavOutputData& output, const WavInputData& input,
                         const Progress& progress) {
  RangeResult result;
  result.cancelled = CancelRequested(progress);
  result.endsEarly = !result.cancelled && input.EndsEarly();
  output.Finish();
  return result;
}

RangeResult RangeFrame::Finish() {
  if (!CancelRequested(progress_))
    output_->AppendCopy(input_, next_, input_.DataSize() - next_, progress_);
  return FinishOutput(*output_, input_, progress_);
}

}  // namespace tonemill
