#include "midiutils.h"

#include "inputs.h"
#include "targets.h"
#include "tonemill/midi/midmerge.h"

#include <cerrno>
#include <cstdio>

namespace tonemill::ops {
namespace {

// Runs `work` through the output job after the source's and the target's checks: the output is
// put into place on success, and after a failure only with `keepAfterFailure` and when the
// destination was opened.
JobOutcome WriteThrough(const std::string& source, const std::string& target, Overwrite overwrite,
                        const std::function<std::optional<Problem>()>& checkSource,
                        const std::function<UtilityOutcome(const std::string&)>& work,
                        bool keepAfterFailure = false) {
  OutputJob job;
  job.target = target;
  job.overwrite = overwrite;
  job.checks = [&] {
    if (auto problem = checkSource()) return problem;
    return CheckUtilityTarget(source, target);
  };
  if (std::optional<JobOutcome> refused = PrepareOutput(job)) return *refused;
  Progress progress;
  return RunOutputJob(job, progress, [&](const std::string& path, Progress&) {
    const UtilityOutcome outcome = work(path);
    if (outcome.Ok()) return WorkResult::Done();
    WorkResult failed = WorkResult::Failure(UtilityProblem(outcome, source, target));
    failed.keepAfterFailure =
        keepAfterFailure && outcome.status != UtilityStatus::DestinationNotOpened;
    return failed;
  });
}

}  // namespace

Problem UtilityProblem(const UtilityOutcome& outcome, const std::string& source,
                       const std::string& target) {
  if (outcome.status == UtilityStatus::DestinationNotOpened)
    return Problem(outcome.message, target, 0, outcome.detail);
  std::string reason = outcome.detail;
  if (outcome.track > 0)
    reason = "track " + std::to_string(outcome.track) + (reason.empty() ? "" : ": " + reason);
  return Problem(outcome.message, source, 0, reason);
}

std::optional<Problem> CheckUtilitySource(const std::string& source,
                                          const MidiReaderMessages& messages, bool formatOneOnly) {
  const TMIDheader header(source);
  const UtilityStatus status = HeaderStatus(header, formatOneOnly);
  if (status == UtilityStatus::None) {
    if (std::string noTracks = NoTracksProblem(header); !noTracks.empty()) return Problem(noTracks, source);
    return std::nullopt;
  }
  Problem problem(UtilityMessage(status, messages), source);
  if (status == UtilityStatus::SourceNotOpened) problem.reason = UnreadableReason(source);
  return problem;
}

std::optional<Problem> CheckUtilityTarget(const std::string& source, const std::string& target) {
  if (auto clash = OutputIsInput(target, source, "Can't overwrite source file!")) return clash;
  return UnwritableTarget(target);
}

JobOutcome MergeToFormat0(const std::string& source, const std::string& target,
                          Overwrite overwrite) {
  return WriteThrough(
      source, target, overwrite, [&] { return CheckUtilitySource(source, kMergerMessages, true); },
      [&](const std::string& path) { return MergeFormat1To0(source, path); });
}

JobOutcome EditTracks(const std::string& source, const std::string& destination,
                      const TrackEdit& edit, Overwrite overwrite) {
  return WriteThrough(
      source, destination, overwrite,
      [&] { return CheckUtilitySource(source, kEditorMessages, false); },
      [&](const std::string& path) { return EditMidiTracks(source, path, edit); });
}

namespace {

// The listing handed to `write`; `outputFailed` tells that a write failed and the listing
// stopped there.
UtilityOutcome Listing(const std::string& source, const std::string& fileName, ListingForm form,
                       const std::function<bool(const std::string&)>& write,
                       bool& outputFailed) {
  int format = 0, tracks = 0;
  bool firstTrack = true, begun = false;
  outputFailed = false;
  auto put = [&](const std::string& text) {
    if (!outputFailed && !write(text)) outputFailed = true;
  };
  const UtilityOutcome outcome = ScanMidi(
      source,
      [&](int f, int t) {
        format = f;
        tracks = t;
        begun = true;
        put(form == ListingForm::Json ? ListingJsonHead(fileName, f, t) : ListingHead(fileName, f));
      },
      [&](int number, const TrackUse* use) {
        if (form == ListingForm::Text) {
          put(ListingTrack(number, tracks, format, use));
        } else if (use) {
          put(ListingJsonTrack(number, format, *use, firstTrack));
          firstTrack = false;
        }
      });
  // The JSON is closed whenever it was begun, with the failure in it.
  if (form == ListingForm::Json && begun) put(ListingJsonEnd(outcome));
  return outcome;
}

}  // namespace

std::optional<Problem> ListMidi(const std::string& source, const std::string& fileName,
                                ListingForm form,
                                const std::function<bool(const std::string&)>& write) {
  if (auto problem = CheckUtilitySource(source, kListingMessages, false)) return problem;
  bool outputFailed = false;
  const UtilityOutcome outcome = Listing(source, fileName, form, write, outputFailed);
  if (outputFailed)
    return Problem(UtilityMessage(UtilityStatus::DestinationNotOpened, kListingMessages));
  if (outcome.Ok()) return std::nullopt;
  return UtilityProblem(outcome, source, "");
}

JobOutcome ListMidiToFile(const std::string& source, const std::string& report, ListingForm form,
                          Overwrite overwrite, const std::string& fileName) {
  return WriteThrough(
      source, report, overwrite,
      [&] { return CheckUtilitySource(source, kListingMessages, false); },
      [&](const std::string& path) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
          return UtilityFailure(UtilityStatus::DestinationNotOpened, kListingMessages,
                                SystemReason(errno));
        bool outputFailed = false;
        UtilityOutcome outcome = Listing(
            source, fileName.empty() ? source : fileName, form,
            [&](const std::string& text) {
              return std::fwrite(text.data(), 1, text.size(), file) == text.size();
            },
            outputFailed);
        int error = outputFailed ? errno : 0;
        if (std::fclose(file) != 0 && !outputFailed) {
          outputFailed = true;
          error = errno;
        }
        if (outputFailed)
          return UtilityFailure(UtilityStatus::DestinationNotOpened, kListingMessages,
                                SystemReason(error));
        return outcome;
      },
      true);
}

}  // namespace tonemill::ops
