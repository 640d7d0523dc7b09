// Rendering a song list from the command line: the output format options, a progress bar fed
// by the library's pump, a signal as Cancel, and the outcome as a message and an exit code.
#pragma once

#include "climessages.h"
#include "options.h"
#include "tonemill/ops/songjob.h"

#include <string>

namespace tonemill::cli {

struct FormatOptions : AudioFormatOptions {
  std::string volume = "1.0";
  std::string container;  // --format; empty: the output's extension says
  std::string quality;    // --quality; empty: the encoder's default
  bool resample = false;  // --resample: a rate the encoder refuses is converted

  void Register(OptionParser& parser);
  // Fills the format; false with `error` set on a bad value.
  bool Apply(SongFormat& format, std::string& error) const;
  // The extension a song named after its source gets: --format's, or ".wav".
  std::string Extension() const;
  // The container of the song `target`: --format's, or its extension's (standard output is
  // WAV unless --format says otherwise). False with `error` set for an unknown one.
  bool ChooseContainer(const std::string& target, Container& chosen, std::string& error) const;
};

// Runs a render step with a progress bar fed by the library's pump.
ops::JobOutcome RenderWithBar(const ops::RenderStep& step, bool showProgress);

// A WAV directory that does not exist, named once ahead of the samples the check misses in it.
void NameMissingWavDirectory(const std::string& wavDirectory);
// After a conversion that failed in a PRG directory holding no instruments: how to get them.
void HintWhenNoInstruments(const ops::SongJobOutcome& outcome, const std::string& prgDirectory);

// What the song job shows on the command line: a signal as its cancel, the sample check's
// reports and questions, the render's progress bar.
class CliSongFront : public ops::SongJobFront {
 public:
  CliSongFront(CliMessages& messages, bool progress) : messages_(messages), progress_(progress) {}
  bool CancelRequested() override;
  std::optional<Problem> CheckSamples(
      ops::SampleMaking& making, const std::function<std::optional<Problem>()>& check) override;
  ops::JobOutcome Render(const ops::RenderRequest&, const ops::RenderStep& step) override;

 private:
  CliMessages& messages_;
  bool progress_;
};

}  // namespace tonemill::cli
