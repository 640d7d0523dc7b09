#include "rangeframe.h"

#include "fileops.h"

#include <algorithm>
#include <climits>
#include <memory>

namespace tonemill {
namespace {

constexpr int64_t kFramesPerPump = 10000;

std::unique_ptr<TFastFile> OpenExisting(const std::string& name, bool readOnly) {
  auto file = std::make_unique<TFastFile>(name, readOnly, false);
  if (!file->Opened()) throw EFOpenError(name);
  return file;
}

}  // namespace

void ProcessRange(const RangeRequest& request, const FrameStep& step, Progress& progress) {
  ProcessingState state = OpenWavInput(request.input);
  const int64_t frameBytes = std::max<int32_t>(state.BytesPerFrame, 1);
  const int64_t dataSize = state.DataSize;
  const int64_t startByte =
      std::clamp<int64_t>(request.startFrame * frameBytes, 0, std::max<int64_t>(dataSize - 1, 0));
  const int64_t endByte = std::max((request.endFrame + 1) * frameBytes - 1, startByte);
  // The counters are 32-bit, as the library's progress protocol has them.
  if (dataSize > INT32_MAX) throw EInOutError("Data of " + request.input + " too large to process");
  progress.total = int32_t(dataSize);
  progress.done = 0;

  auto output = std::make_unique<TFastFile>(request.output, false, true);
  if (!output->Opened()) throw EFCreateError(request.output);
  WriteWavHeader(*output, state.BitsPerSample, state.Channels, state.SampleRate);
  state.header.reset();

  if (startByte > 0) {
    output->Close();
    output.reset();
    {
      PlainFile in(request.input, false), out(request.output, true);
      CopyRecords(in, out, progress, 1, state.DataStart, startByte, 44);
    }
    output = OpenExisting(request.output, false);
    output->SeekTo(startByte + 44);
  }

  auto input = OpenExisting(request.input, true);
  input->SeekTo(state.DataStart + startByte);
  for (int64_t frames = 0; progress.done <= endByte && progress.done <= progress.total;
       progress.done += int32_t(frameBytes)) {
    step(*input, *output, state);
    if (++frames % kFramesPerPump == 0) progress.Pump();
  }

  if (progress.done < dataSize) {
    const int64_t from = input->Position, to = output->Position;
    input.reset();
    output->Close();
    output.reset();
    {
      PlainFile in(request.input, false), out(request.output, true);
      CopyRecords(in, out, progress, 1, from, dataSize - progress.done, to);
    }
    output = OpenExisting(request.output, false);
  } else {
    input.reset();
  }
  PadToEven(*output, state.BitsPerSample);
  WriteWavHeader(*output, state.BitsPerSample, state.Channels, state.SampleRate);
  output->Close();
}

}  // namespace tonemill
