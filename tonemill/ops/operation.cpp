#include "operation.h"

#include "tonemill/files/audioinput.h"

namespace tonemill {

ops::OutputJob WaveOutputJob(const std::string& output, const std::vector<std::string>& inputs,
                             const std::string& cannotCreate) {
  ops::OutputJob job;
  job.target = output;
  job.inputs = inputs;
  job.question = ops::OverwriteQuestion::File;
  job.cannotCreate = cannotCreate;
  // The output's extension chooses its container; an extension that names none keeps WAV, as
  // the operations have always written whatever the name.
  if (!ops::IsStandardOutput(output)) job.container = ContainerOfName(output).value_or(Container::Wav);
  return job;
}

ops::WorkResult WaveWorkResult(const std::string& output, bool cancelled,
                               const std::optional<Problem>& endedEarly) {
  ops::WorkResult result;
  if (cancelled) {
    result.end = ops::WorkResult::End::Cancelled;
    result.problem = Problem("Cancelled: " + output + " holds what was done before the cancel", output);
  } else if (endedEarly) {
    result.end = ops::WorkResult::End::EndedEarly;
    result.problem = *endedEarly;
  }
  return result;
}

ops::WorkResult WaveWorkResult(const std::string& output, const RangeResult& result, const std::string& input) {
  ops::WorkResult work =
      WaveWorkResult(output, result.cancelled, result.endsEarly ? std::optional(PrematureEnd(input)) : std::nullopt);
  work.frames = result.frames;
  return work;
}

Problem PrematureEnd(const std::string& name) {
  return Problem(PrematureEndMessage(name), name);
}

}  // namespace tonemill
