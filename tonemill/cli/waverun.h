// What the WAV commands share: the output options, parameter options checked through the
// dialogs' fields, and running an operation with a progress bar, signals as Cancel and the
// outcome as a message and an exit code.
#pragma once

#include "options.h"
#include "rangeoptions.h"
#include "tonemill/files/progress.h"
#include "tonemill/wave/fields.h"
#include "tonemill/ops/keptmetadata.h"
#include "tonemill/ops/operation.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tonemill::cli {

struct OutputOptions {
  std::string output;
  std::string quality;  // --quality: the lossy encoder's, 0 to 10
  bool force = false, quiet = false;
  void Register(OptionParser& parser, const std::string& outputHelp);
};

// Checks an option's text with the dialog field behind it. On a bad value prints
// "tonemill: COMMAND: --OPTION: message" and returns the usage exit code. An empty text keeps
// the field's default.
std::optional<int> ApplyField(const std::string& command, const std::string& option,
                              const RealField& field, const std::string& text, double& value);

// The parse of an effect command: one input, -o required, the range options applied.
// Returns the exit code when the command ends here.
std::optional<int> ParseEffectCommand(const OptionParser& parser, int argc, char** argv,
                                      const std::string& command, const OutputOptions& out,
                                      const RangeOptions& range, EditorInput& facts,
                                      LaunchValues& launch);

// Checks the output against the inputs, asks before overwriting (--force says yes), runs the
// engine through the output job with a progress bar and prints the outcome. Returns the exit
// code.
struct OutputEncoding {
  std::optional<Container> container;  // replaces the one the output's extension names
  KeptMetadata keep;                   // the input's chunks and tags, where they go along
  bool resample = false;               // a rate its encoder refuses is converted
};
int RunWaveOperation(const std::string& output, const std::vector<std::string>& inputs,
                     const OutputOptions& options, const ops::OutputWork& engine,
                     const std::string& cannotCreate = {}, const OutputEncoding& encoding = {});

// After an operation that put its output into place: when the output holds more saturated
// samples (at full scale) than any input, says so with their share, since the operation clipped
// ("tonemill: warning: OUT: 51.20% of the samples are saturated").
void ReportSaturation(const std::vector<std::string>& inputs, const std::string& output,
                      const ops::JobOutcome& outcome);

}  // namespace tonemill::cli
