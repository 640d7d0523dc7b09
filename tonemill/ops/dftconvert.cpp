#include "dftconvert.h"

#include "dft/results.h"
#include "songchecks.h"
#include "targets.h"
#include <filesystem>
#include "tonemill/files/wavheader.h"
#include "tonemill/files/paths.h"

namespace tonemill::ops {
namespace {

OutputJob DftJob(DftEntry entry, const std::string& source, const std::string& target) {
  OutputJob job;
  job.target = target;
  job.cannotCreate = DftResultMessage(entry, dft::kCantCreateTarget, source, target);
  return job;
}

OutputWork DftWork(DftEntry entry, const std::string& source, const std::string& target,
                   bool* unbound) {
  return [=](const std::string& temporaryPath, Progress&) {
    if (auto problem = ConvertWithDftLibrary(entry, source, temporaryPath, target, unbound))
      return WorkResult::Failure(*problem);
    return WorkResult::Done();
  };
}

}  // namespace

std::string ProposedDftTarget(DftEntry entry, const std::string& source,
                              const std::string& wavDirectory, const std::string& dftDirectory) {
  return entry == DftEntry::WavToDft ? ProposedTarget(dftDirectory, source, ".dft")
                                     : ProposedTarget(wavDirectory, source, ".wav");
}

JobOutcome RunDftConversion(DftEntry entry, const std::string& source, const std::string& target,
                            Overwrite overwrite, bool* unbound) {
  if (auto tooLong = CheckDftPaths(source, target)) {
    JobOutcome outcome;
    outcome.problem = *tooLong;
    return outcome;
  }
  OutputJob job = DftJob(entry, source, target);
  job.overwrite = overwrite;
  Progress progress;
  return RunOutputJob(job, progress, DftWork(entry, source, target, unbound));
}

JobOutcome ConvertDftFile(DftEntry entry, const std::string& source, const std::string& target) {
  OutputJob job = DftJob(entry, source, target);
  job.checks = [&source, &target]() {
    std::optional<Problem> problem = CheckConvertSource(source);
    if (!problem) problem = CheckConvertTarget(source, target);
    if (!problem) problem = CheckDftPaths(source, target);
    return problem;
  };
  job.question = OverwriteQuestion::Existing;
  Progress progress;
  return CheckAndRunOutputJob(job, progress, DftWork(entry, source, target, nullptr));
}

SampleConversion DftSampleConversion() {
  return [](const SampleRow& row, Overwrite overwrite) {
    bool unbound = false;
    const JobOutcome outcome =
        RunDftConversion(DftEntry::DftToWav, row.dftPath, row.wavPath, overwrite, &unbound);
    return SampleMade{outcome.end == JobOutcome::End::Done, unbound, outcome.problem};
  };
}

std::string SampleRowReason(const SampleRow& row) {
  const std::string wav = FileNamePart(row.wavPath), dft = FileNamePart(row.dftPath);
  std::error_code ec;
  const bool wavFile = std::filesystem::is_regular_file(row.wavPath, ec);
  const bool dftFile = std::filesystem::is_regular_file(row.dftPath, ec);
  if (row.make) {
    if (!dftFile) return "No DFT file " + dft + " to make it from";
    return wavFile ? "Replaces " + wav + " from " + dft : "Made from " + dft;
  }
  if (wavFile) return TWAVheader(row.wavPath).Valid ? wav + " exists" : wav + " is no valid WAV file";
  return dftFile ? "Not made from " + dft : "Neither " + wav + " nor " + dft + " found";
}

}  // namespace tonemill::ops
