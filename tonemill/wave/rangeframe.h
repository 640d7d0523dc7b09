// The range processing frame of the program's effects: the data before the selected range is
// copied to the output unchanged, every frame of the range is decoded into sample values,
// passed through the effect's step and encoded again, and the data after the range is copied;
// the output gets its header whether the run ends, is cancelled or finds the input cut short.
//
// An effect is a class with
//   void Begin(const RangeInfo& info);               // once, before the first frame
// and either
//   void Step(FrameValues& frame, int64_t index);    // frame `index` of the range (0 first)
// which changes the channels `info` selects in place, or, for an effect whose channels do not
// depend on each other,
//   void Channel(int32_t* samples, int32_t count, int channel, int64_t firstIndex);
// which processes a block of one selected channel's samples (channel 0 left, 1 right; frame
// `firstIndex` of the range first). Such an effect may also have
//   void Channels(int32_t* left, int32_t* right, int32_t count, int64_t firstIndex);
// which the frame calls instead when both channels are selected, for effects that run faster
// with both at hand. Results stay within `info.limits`. The frame is a template over the
// effect, so the step is inlined into the loop over each block, and a channel's state can stay
// in registers through a block.
#pragma once

#include "samples.h"
#include "selection.h"
#include "wavblocks.h"
#include "tonemill/files/framemap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tonemill {

struct RangeRequest {
  std::string input;
  std::string output;
  int64_t startFrame = 0;
  int64_t endFrame = 0;  // inclusive
  bool leftOnly = false, rightOnly = false;
};

// The request for the launch values: the selection in frames as every effect converts it.
RangeRequest RangeOf(const LaunchValues& launch, const std::string& output);

struct RangeResult {
  bool cancelled = false;
  // The data chunk claims more bytes than the file holds: everything there was processed.
  bool endsEarly = false;
  // Where the output's frames came from, for the chunks that point at them; the operations that
  // leave, add or reorder frames say so.
  FrameMap frames;
};

// Ends an output made from `input`: writes its header and says whether the run was cancelled
// and whether the input ended before its data chunk said.
RangeResult FinishOutput(WavOutputData& output, const WavInputData& input,
                         const Progress& progress);

struct RangeInfo {
  AudioFormat format;
  WaveEncoding encoding;
  bool eightBit = false, stereo = false;
  int32_t frameBytes = 1;
  SampleLimits limits = SampleLimits::For(false);
  SelectedBytes bytes;  // the range within the data
  // The channels the choice processes: a stereo file's left, right or both; a mono file's one.
  bool left = true, right = false;
};

// The range and the channels a request covers in the input.
RangeInfo DescribeRange(const WavInputData& input, const RangeRequest& request);

template <class Effect>
concept ChannelWise = requires(Effect e, int32_t* samples) {
  e.Channel(samples, int32_t(0), 0, int64_t(0));
};

template <class Effect>
concept ChannelPairWise = ChannelWise<Effect> && requires(Effect e, int32_t* samples) {
  e.Channels(samples, samples, int32_t(0), int64_t(0));
};

// Runs a channel-wise effect over a block of the channels the range processes.
template <class Effect>
inline void RunChannels(Effect& effect, const RangeInfo& info, int32_t* left, int32_t* right,
                        int32_t count, int64_t firstIndex) {
  if constexpr (ChannelPairWise<Effect>) {
    if (info.left && info.right) return effect.Channels(left, right, count, firstIndex);
  }
  if (info.left) effect.Channel(left, count, 0, firstIndex);
  if (info.right) effect.Channel(right, count, 1, firstIndex);
}

// Calls `f(sample, channel)` for each channel the range processes (0 left, 1 right).
template <class F>
inline void ForSelectedChannels(const RangeInfo& info, FrameValues& frame, F&& f) {
  if (info.left) f(frame.left, 0);
  if (info.right) f(frame.right, 1);
}

class RangeFrame {
 public:
  // Opens the input, creates the output with its header reserved and copies the data before
  // the range. `progress` counts bytes with the data size as its total; `earlierBytes` are
  // those an earlier pass over the input has counted already (the total grows by them and the
  // counter goes on from where it stands).
  RangeFrame(const RangeRequest& request, Progress& progress, int64_t earlierBytes = 0);

  const RangeInfo& Info() const { return info_; }
  SampleLayout Layout() const { return input_.Layout(); }

  // Runs the effect over the range.
  template <SampleLayout L, class Effect>
  void Run(Effect& effect);

  // Copies the data after the range (unless cancelled), pads and writes the final header.
  RangeResult Finish();

 private:
  // Reads the next frames of the range into block_; 0 when the range is done or cancelled.
  int32_t NextBlock();
  // Writes them, advances the progress and yields.
  void PutBlock(int32_t frames);

  WavInputData input_;
  std::unique_ptr<WavOutputData> output_;
  Progress& progress_;
  RangeInfo info_;
  int64_t next_ = 0;  // data offset of the next frame of the range
  std::vector<uint8_t> block_;
  std::vector<int32_t> left_, right_;  // a block's samples by channel
};

template <SampleLayout L, class Effect>
void RangeFrame::Run(Effect& effect) {
  constexpr int32_t frameBytes = kFrameBytes[L];
  int64_t index = 0;
  while (const int32_t frames = NextBlock()) {
    uint8_t* p = block_.data();
    if constexpr (ChannelWise<Effect>) {
      for (int32_t i = 0; i < frames; ++i) {
        const FrameValues v = DecodeFrame<L>(p + i * frameBytes);
        left_[size_t(i)] = v.left;
        right_[size_t(i)] = v.right;
      }
      RunChannels(effect, info_, left_.data(), right_.data(), frames, index);
      for (int32_t i = 0; i < frames; ++i)
        EncodeFrame<L>({left_[size_t(i)], right_[size_t(i)]}, p + i * frameBytes);
    } else {
      for (int32_t i = 0; i < frames; ++i) {
        FrameValues v = DecodeFrame<L>(p + i * frameBytes);
        effect.Step(v, index + i);
        EncodeFrame<L>(v, p + i * frameBytes);
      }
    }
    index += frames;
    PutBlock(frames);
  }
}

// Runs the whole frame with `effect`. Throws EInOutError when a file operation fails.
template <class Effect>
RangeResult ProcessRange(const RangeRequest& request, Effect& effect, Progress& progress,
                         int64_t earlierBytes = 0) {
  RangeFrame frame(request, progress, earlierBytes);
  effect.Begin(frame.Info());
  WithLayout(frame.Layout(), [&]<SampleLayout L>() { frame.Run<L>(effect); });
  return frame.Finish();
}

}  // namespace tonemill
