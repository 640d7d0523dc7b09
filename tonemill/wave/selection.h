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
// "Empty WAV file!" (also for a single frame: the viewer and the selection need two).
std::optional<Problem> CheckEditorInput(const std::string& path, EditorInput& input);

// What a launcher hands its dialog, and what the command line's options give.
struct LaunchValues {
  std::string input, output;
  bool msMode = true;        // start and end are in ms; otherwise in frames
  double framesPerMs = 0;
  bool leftOnly = false, rightOnly = false;
  double start = 0, end = 0;  // in the unit above
  int32_t bits = 0, rate = 0;  // the input's, for the dialogs that need them
  int32_t channels = 0;
  int64_t totalFrames = 0;     // the input's length, which bounds times; 0 when unknown
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

// The editor's selection edits one at a time, as each is left: the start a real from 0 to the
// end ("Illegal Start time!"), the end a real from the start to SelectionLimit ("Illegal End
// time!"). `value` is what the edit then shows (SelectionText) read back.
double SelectionLimit(const EditorInput& input, bool msMode);
std::string SelectionText(double value, bool msMode);
std::optional<Problem> CheckSelectionStart(const std::string& text, double end, bool msMode,
                                           double& value);
std::optional<Problem> CheckSelectionEnd(const std::string& text, double start,
                                         const EditorInput& input, bool msMode, double& value);

// A switch of the time unit: both values converted (ms = frames ÷ frames per ms, frames = ms ×
// frames per ms), the end kept within the limit, the start within the end, both at least 0,
// and rounded as the edits show them.
struct SelectionValues {
  double start = 0, end = 0;
};
SelectionValues ConvertSelection(SelectionValues values, const EditorInput& input, bool toMs);

// A position of the viewer in the editor's unit: samples to ms × ms per frame, ms to samples ×
// frames per ms.
double ConvertPosition(double value, bool fromMs, bool toMs, double framesPerMs);

// The channel choice; a mono input is always processed as "Left" (the whole signal).
enum class ChannelChoice { Left, Right, Both };
void SetChannels(LaunchValues& launch, const EditorInput& input, ChannelChoice choice);

// The viewer's marked range, in the viewer's unit, as the editor's selection in its unit, kept
// within the file: "Invalid WAView range!" when the end lies before the start.
std::optional<Problem> ImportRange(double start, double end, bool fromMs, const EditorInput& input,
                                   bool toMs, SelectionValues& selection);

// The launch values for what the editor shows: its selection (the end clamped to the last
// frame, as WholeFile clamps it) and its channel choice.
LaunchValues EditorLaunch(const std::string& inputPath, const std::string& outputPath,
                          const EditorInput& input, bool msMode, SelectionValues selection,
                          ChannelChoice choice);

// The longest time a time field may hold: the file's duration in the launch unit (none when
// the length is not known).
std::optional<double> LongestTime(const LaunchValues& launch);

}  // namespace tonemill
