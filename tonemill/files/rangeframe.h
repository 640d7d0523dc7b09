// The range processing frame of the program's effects: the input is copied to the output
// unchanged outside the selected frames and passed through the effect's step inside them; the
// output gets a correct header whether the run ends or is cancelled.
#pragma once

#include "fastfile.h"
#include "wavprocessing.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tonemill {

// Processes one frame: reads it from `input` (positioned at the frame) and writes the result
// to `output`.
using FrameStep = std::function<void(TFastFile& input, TFastFile& output,
                                     const ProcessingState& state)>;

struct RangeRequest {
  std::string input;
  std::string output;
  int64_t startFrame = 0;
  int64_t endFrame = 0;  // inclusive
};

// Runs the frame. `progress` counts bytes from the start of the data and its total is set to the
// data size; a cancel (the counter pushed past the total) ends the work at once and leaves the
// output as far as it got. Throws EInOutError when a file operation fails, and EFCreateError
// when the output cannot be created.
void ProcessRange(const RangeRequest& request, const FrameStep& step, Progress& progress);

}  // namespace tonemill
