#include "outputjob.h"

#include "platform/filesystem.h"
#include "targets.h"
#include "tonemill/files/fastfile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace tonemill::ops {
namespace {

bool IsStream(const std::string& target) { return IsStandardOutput(target) || IsNullDevice(target); }

// Where the temporary files of an output that is no file go.
std::string ScratchTarget() {
  const char* directory = std::getenv("TMPDIR");
  std::string path = directory && *directory ? directory : "/tmp";
  if (path.back() != '/') path += '/';
  return path + "tonemill-output";
}

// Writes the whole file to standard output.
bool CopyToStandardOutput(const std::string& path, Problem& problem) {
  const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int error = in < 0 ? errno : 0;
  char buffer[65536];
  while (error == 0) {
    const ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got < 0) error = errno;
      break;
    }
    for (ssize_t done = 0; done < got && error == 0;) {
      const ssize_t put = ::write(STDOUT_FILENO, buffer + done, size_t(got - done));
      if (put < 0 && errno != EINTR) error = errno;
      if (put > 0) done += put;
    }
  }
  if (in >= 0) ::close(in);
  if (error == 0) return true;
  problem = {"Can't write the output to standard output!", "", 0, SystemReason(error)};
  return false;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

JobOutcome Ended(JobOutcome::End end, Problem problem, bool kept) {
  JobOutcome outcome;
  outcome.end = end;
  outcome.problem = std::move(problem);
  outcome.kept = kept;
  return outcome;
}

}  // namespace

std::optional<JobOutcome> PrepareOutput(OutputJob& job) {
  auto refused = [](Problem problem) {
    return Ended(JobOutcome::End::Refused, std::move(problem), false);
  };
  const bool stream = IsStream(job.target);
  for (const std::string& input : job.inputs)
    if (!stream)
      if (auto clash = OutputIsInput(job.target, input, "Can't overwrite source file!"))
      return refused(*clash);
  if (job.checks)
    if (auto problem = job.checks()) return refused(*problem);
  if (job.quality)
    if (std::optional<std::string> why = QualityProblem(job.container, *job.quality))
      return refused(Problem(*why, job.target));
  if (stream) return std::nullopt;
  if (auto unwritable = UnwritableTarget(job.target)) return refused(*unwritable);
  std::optional<Overwrite> answer = job.overwrite;
  if (job.question == OverwriteQuestion::File) answer = AskToOverwriteFile(job.target);
  if (job.question == OverwriteQuestion::Existing) answer = AskToOverwrite(job.target);
  if (!answer) return refused(Problem());
  job.overwrite = *answer;
  return std::nullopt;
}

JobOutcome RunOutputJob(const OutputJob& job, Progress& progress, const OutputWork& work,
                        OutputFile* held) {
  const std::string& target = job.target;
  const bool encoding = job.container != Container::Wav;
  const std::string beside = IsStream(target) ? ScratchTarget() : target;
  Problem problem;
  OutputFile out = OutputFile::Open(beside, problem);
  // Another container: the work's WAV file, encoded into `out` at the end.
  OutputFile wav = encoding && out.IsOpen() ? OutputFile::Open(beside, problem) : OutputFile();
  if (!out.IsOpen() || (encoding && !wav.IsOpen())) {
    if (!job.cannotCreate.empty()) problem.message = job.cannotCreate;
    if (problem.file == beside) problem.file = target;
    return Ended(JobOutcome::End::Failed, problem, false);
  }
  const std::string& written = encoding ? wav.Path() : out.Path();
  const auto nameTarget = [&](std::string message) {
    for (const OutputFile* file : {&out, &wav})
      if (file->IsOpen()) {
        ReplaceAll(message, platform::NativePath(file->Path()), target);
        ReplaceAll(message, file->Path(), target);
      }
    return message;
  };
  WorkResult run;
  try {
    run = work(written, progress);
  } catch (const EInOutError& e) {
    return Ended(JobOutcome::End::Failed, Problem(nameTarget(e.what()), target), false);
  }
  // Encodes what the work wrote, then puts it into place, on standard output or nowhere.
  const auto finish = [&](Overwrite overwrite, Problem& why, bool hold) {
    if (encoding) {
      if (std::optional<std::string> failure =
              EncodeSoundFile(wav.Path(), out.Path(), job.container, job.quality, job.tags, job.resample)) {
        why = Problem(nameTarget(*failure), target);
        wav.Discard();
        out.Discard();
        return false;
      }
      wav.Discard();
    }
    if (hold) {
      *held = std::move(out);
      return true;
    }
    if (IsNullDevice(target)) {
      out.Discard();
      return true;
    }
    if (IsStandardOutput(target)) {
      const bool copied = CopyToStandardOutput(out.Path(), why);
      out.Discard();
      return copied;
    }
    return out.Commit(overwrite, why);
  };
  // The loudness gain on what the work wrote, before it is encoded and put into place.
  std::optional<double> gain = job.gainDb;
  std::string gainWarning;
  const auto level = [&]() -> std::optional<JobOutcome> {
    if (job.loudness) {
      LoudnessFigures figures;
      if (std::optional<Problem> unmeasured = MeasureLoudness(written, figures))
        return Ended(JobOutcome::End::Failed, Problem(nameTarget(unmeasured->message), target), false);
      const GainChoice choice = ChooseGain(figures, *job.loudness);
      gain = choice.gainDb;
      gainWarning = choice.warning;
    }
    if (gain && *gain != 0)
      if (std::optional<Problem> unchanged = ApplyGain(written, *gain))
        return Ended(JobOutcome::End::Failed, Problem(nameTarget(unchanged->message), target), false);
    return std::nullopt;
  };
  switch (run.end) {
    case WorkResult::End::Done: {
      if (std::optional<JobOutcome> failed = level()) return *failed;
      if (!finish(job.overwrite, problem, held != nullptr))
        return Ended(JobOutcome::End::Failed, problem, false);
      JobOutcome done = Ended(JobOutcome::End::Done, {}, held == nullptr);
      done.gainDb = gain;
      done.gainWarning = gainWarning;
      return done;
    }
    case WorkResult::End::Cancelled:
      if (!finish(job.overwrite, problem, false)) return Ended(JobOutcome::End::Failed, problem, false);
      return Ended(JobOutcome::End::Cancelled, run.problem, true);
    case WorkResult::End::EndedEarly: {
      // The processed part is a valid output, but the run failed: it goes into place only where
      // it replaces nothing.
      if (!IsStream(target) && KindOf(target) != TargetKind::Absent) {
        run.problem.message += "; " + target + " was left as it was";
        return Ended(JobOutcome::End::Failed, run.problem, false);
      }
      if (std::optional<JobOutcome> failed = level()) return *failed;
      if (!finish(IsStream(target) ? job.overwrite : Overwrite::Refuse, problem, false))
        return Ended(JobOutcome::End::Failed, problem, false);
      JobOutcome incomplete = Ended(JobOutcome::End::Incomplete, run.problem, true);
      incomplete.gainDb = gain;
      incomplete.gainWarning = gainWarning;
      return incomplete;
    }
    case WorkResult::End::Failed:
      if (run.keepAfterFailure && !finish(job.overwrite, problem, false))
        return Ended(JobOutcome::End::Failed, problem, false);
      return Ended(JobOutcome::End::Failed, run.problem, run.keepAfterFailure);
  }
  return Ended(JobOutcome::End::Failed, run.problem, false);
}

bool IsStandardOutput(const std::string& target) { return target == "-"; }

bool IsNullDevice(const std::string& target) {
  static const std::optional<FileIdentity> null = IdentityOf("/dev/null");
  return null && target != "-" && IdentityOf(target) == null;
}

std::optional<Problem> ProblemOf(const JobOutcome& outcome) {
  if (outcome.end == JobOutcome::End::Done || outcome.problem.message.empty()) return std::nullopt;
  return outcome.problem;
}

JobOutcome CheckAndRunOutputJob(OutputJob& job, Progress& progress, const OutputWork& work) {
  if (std::optional<JobOutcome> refused = PrepareOutput(job)) return *refused;
  return RunOutputJob(job, progress, work);
}

}  // namespace tonemill::ops
