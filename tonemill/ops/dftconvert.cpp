#include "dftconvert.h"

#include "songchecks.h"
#include "targets.h"

namespace tonemill::ops {

std::string ProposedDftTarget(DftEntry entry, const std::string& source,
                              const std::string& wavDirectory, const std::string& dftDirectory) {
  return entry == DftEntry::WavToDft ? ProposedTarget(dftDirectory, source, ".dft")
                                     : ProposedTarget(wavDirectory, source, ".wav");
}

DftOutcome ConvertDftFile(DftEntry entry, const std::string& source, const std::string& target) {
  DftOutcome outcome;
  std::optional<Problem> problem = CheckConvertSource(source);
  if (!problem) problem = CheckConvertTarget(source, target);
  if (!problem) problem = UnwritableTarget(target);
  if (problem) {
    outcome.problem = *problem;
    return outcome;
  }
  const std::optional<Overwrite> overwrite = AskToOverwrite(target);
  if (!overwrite) {
    outcome.end = DftOutcome::End::Declined;
    return outcome;
  }
  const DftConversion result = ConvertWithDftLibrary(entry, source, target, *overwrite);
  outcome.problem = result.problem;
  if (result.end == DftConversion::End::Done) outcome.end = DftOutcome::End::Done;
  return outcome;
}

}  // namespace tonemill::ops
