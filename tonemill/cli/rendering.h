// Rendering a song list from the command line: the output format options, a progress bar fed
// by the library's pump, a signal as Cancel, and the outcome as a message and an exit code.
#pragma once

#include "options.h"
#include "tonemill/ops/songpipeline.h"

#include <string>

namespace tonemill::cli {

struct FormatOptions : AudioFormatOptions {
  std::string volume = "1.0";

  void Register(OptionParser& parser);
  // Fills the format; false with `error` set on a bad value.
  bool Apply(SongFormat& format, std::string& error) const;
};

// Renders the request with a progress bar and prints what went wrong or how far a cancelled
// render got. Returns the exit code.
int RenderWithProgress(const ops::RenderRequest& request, bool showProgress);

}  // namespace tonemill::cli
