#include "rangeoptions.h"

#include <cstdio>

namespace tonemill::cli {

void RangeOptions::Register(OptionParser& parser) {
  parser.Value("range", 0, &range, "START:END",
               "the selection, in the unit; either end may be left out (default: the whole file)");
  parser.Value("unit", 0, &unit, "ms|samples", "unit of the range and of times (default ms)");
  parser.Value("channel", 0, &channel, "left|right|both",
               "channel of a stereo file to process (default both)");
}

std::optional<int> RangeOptions::Apply(const std::string& input, const std::string& output,
                                       EditorInput& facts, LaunchValues& launch) const {
  ChannelChoice choice = ChannelChoice::Both;
  if (channel == "left") choice = ChannelChoice::Left;
  else if (channel == "right") choice = ChannelChoice::Right;
  else if (channel != "both") {
    PrintError("--channel takes left, right or both");
    return kExitUsage;
  }
  if (unit != "ms" && unit != "samples") {
    PrintError("--unit takes ms or samples");
    return kExitUsage;
  }
  const size_t colon = range.find(':');
  if (!range.empty() && colon == std::string::npos) {
    PrintError("--range takes START:END");
    return kExitUsage;
  }
  if (std::optional<Problem> problem = CheckEditorInput(input, facts)) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  launch = WholeFile(input, output, facts, unit == "ms");
  SetChannels(launch, facts, choice);
  if (range.empty()) return std::nullopt;
  // An end left out is the default end; a start left out is 0.
  const std::string start = colon == 0 ? std::string(1, '0') : range.substr(0, colon);
  // The default end goes back in with every digit, so that it still reaches the last frame.
  char defaultEnd[32];
  std::snprintf(defaultEnd, sizeof defaultEnd, "%.17g", launch.end);
  const std::string end = colon + 1 == range.size() ? std::string(defaultEnd) : range.substr(colon + 1);
  // A range the file cannot have (an end before the start, beyond the file, not a number) is
  // a usage error like any refused option value.
  if (std::optional<Problem> problem = SetSelection(launch, facts, start, end)) {
    problem->file = input;
    PrintProblem(*problem);
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace tonemill::cli
