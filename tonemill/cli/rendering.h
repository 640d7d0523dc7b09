// Rendering a song list from the command line: the output format options, a progress bar fed
// by the library's pump, a signal as Cancel, and the outcome as a message and an exit code.
#pragma once

#include "options.h"
#include "tonemill/ops/songjob.h"

#include <string>

namespace tonemill::cli {

struct FormatOptions : AudioFormatOptions {
  std::string volume = "1.0";

  void Register(OptionParser& parser);
  // Fills the format; false with `error` set on a bad value.
  bool Apply(SongFormat& format, std::string& error) const;
};

// Runs a render step with a progress bar fed by the library's pump.
ops::JobOutcome RenderWithBar(const ops::RenderStep& step, bool showProgress);
// Renders the request with a progress bar; returns the exit code, its message printed.
int RenderWithProgress(const ops::RenderRequest& request, bool showProgress);

}  // namespace tonemill::cli
