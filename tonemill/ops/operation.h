// A WAV operation as the editor's dialogs and the command line run it, through the output job:
// the output may be none of the inputs, an existing one is replaced only after "File X will be
// overwritten!", and an engine's run — cancelled, or with an input that ended early — decides
// what is put into place.
#pragma once

#include "outputjob.h"
#include "tonemill/files/problem.h"
#include "tonemill/wave/rangeframe.h"

#include <optional>
#include <string>
#include <vector>

namespace tonemill {

inline constexpr const char* kCantOverwriteSource = "Can't overwrite source file!";

// The output job of a WAV operation writing `output` from `inputs`. `cannotCreate` replaces the
// output writer's message when the operation has its own ("Can not open destination file." for
// the mixer).
ops::OutputJob WaveOutputJob(const std::string& output, const std::vector<std::string>& inputs,
                             const std::string& cannotCreate = {});

// What an engine's run means for its output: a cancel keeps what was done before it
// ("Cancelled: OUTPUT holds what was done before the cancel"); `endedEarly`, an input that ended
// before its data chunk said, is reported after everything there was processed.
ops::WorkResult WaveWorkResult(const std::string& output, bool cancelled,
                               const std::optional<Problem>& endedEarly);
// The same for an engine's result on `input` (PrematureEnd names it), with the engine's frame
// map for the chunks the output keeps.
ops::WorkResult WaveWorkResult(const std::string& output, const RangeResult& result, const std::string& input);

// "Premature end of WAV file " + name, or the container's name for samples decoded from
// another (PrematureEndMessage).
Problem PrematureEnd(const std::string& name);

}  // namespace tonemill
