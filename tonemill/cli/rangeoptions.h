// The options every WAV command shares: the selection (--range START:END in --unit ms or
// samples) and the channel (--channel left|right|both), turned into the launch values the
// WAV editor hands its effects.
#pragma once

#include "options.h"
#include "tonemill/wave/selection.h"

#include <string>

namespace tonemill::cli {

struct RangeOptions {
  std::string range, unit = "ms", channel = "both";

  void Register(OptionParser& parser);
  // Checks the input as the editor does and fills `launch` for it. Returns the exit code when
  // the command ends here (after printing the problem or the usage error).
  std::optional<int> Apply(const std::string& input, const std::string& output,
                           EditorInput& facts, LaunchValues& launch) const;
};

}  // namespace tonemill::cli
