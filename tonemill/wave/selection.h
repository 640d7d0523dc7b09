// The WAV editor's input facts and the launch values it hands every effect: the selection in
// milliseconds or frames, frames per millisecond as the editor computes it, and the channel
// choice. The command line builds the same values from its options, so both turn a time into
// the same frame.
#pragma once

#include "tonemill/files/problem.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tonemill {

struct EditorInput {
  int32_t bits = 0, channels = 0, rate = 0;
  int64_t totalFrames = 0;   // DataSize div (bits div 8 x channels)
  double durationMs = 0;     // totalFrames / rate x 1000
  double framesPerMs = 0;    // totalFrames / durationMs: not always rate / 1000 exactly
};

// The editor's input check: "File not found!", "File format error!" (truncated, not a WAV, not
// PCM, channels not 1 or 2, a rate other than 11025, 22050 or 44100, or not 8 or 16 bits),
// "Empty WAV file!".
std::optional<Problem> CheckEditorInput(const std::string& path, EditorInput& input);

// What a launcher hands its dialog, and what the command line's options give.
struct LaunchValues {
  std::string input, output;
  bool msMode = true;        // start and end are in ms; otherwise in frames
  double framesPerMs = 0;
  bool leftOnly = false, rightOnly = false;
  double start = 0, end = 0;  // in the unit above
  int32_t bits = 0, rate = 0;  // the input's, for the dialogs that need them
};

// A time field as the effects take it: Trunc(value x frames per ms) in ms mode, Trunc(value)
// in frame mode.
int32_t FramesOf(double value, const LaunchValues& launch);

// The default selection: the whole file, its end clamped to the last frame (the editor's own
// default, one frame past the data, would have the effects read beyond it).
LaunchValues WholeFile(const std::string& inputPath, const std::string& outputPath,
                       const EditorInput& input, bool msMode);

// The editor's selection checks: the start a real from 0 to the end ("Illegal Start time!"),
// the end a real from the start to the duration in ms or the frame count ("Illegal End
// time!"). Both clamped to the last frame.
std::optional<Problem> SetSelection(LaunchValues& launch, const EditorInput& input,
                                    const std::string& start, const std::string& end);

// The channel choice; a mono input is always processed as "Left" (the whole signal).
enum class ChannelChoice { Left, Right, Both };
void SetChannels(LaunchValues& launch, const EditorInput& input, ChannelChoice choice);

}  // namespace tonemill
