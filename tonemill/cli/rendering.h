// Rendering a song list from the command line: the output format options, a progress bar fed
// by the library's pump, Ctrl-C as Cancel, and the outcome as a message and an exit code.
#pragma once

#include "options.h"
#include "tonemill/render/songrender.h"

#include <string>

namespace tonemill::cli {

struct FormatOptions {
  std::string rate = "44100", bits = "16", channels = "2", volume = "1.0";

  void Register(OptionParser& parser);
  // Fills the job's format; false with `error` set on a bad value.
  bool Apply(SongRenderJob& job, std::string& error) const;
};

// The provisioning check before a render: every sample the list names must be there as a
// valid WAV file in the job's sample directory. All missing ones are listed, with `label`.
bool SamplesPresent(const std::string& label, const SongRenderJob& job,
                    const std::string& dftDirectory);

// Renders the job and prints what went wrong. Returns the exit code.
int RenderSongWithProgress(const SongRenderJob& job, bool showProgress);

}  // namespace tonemill::cli
