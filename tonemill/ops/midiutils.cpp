#include "midiutils.h"

#include "inputs.h"
#include "targets.h"
#include "tonemill/midi/midmerge.h"

#include <cerrno>
#include <cstdio>

namespace tonemill::ops {
namespace {

// Runs `work` into a temporary file beside `target` and puts it into place when `keep` says so.
std::optional<Problem> WriteThrough(const std::string& source, const std::string& target,
                                    Overwrite overwrite,
                                    const std::function<UtilityOutcome(const std::string&)>& work,
                                    bool keepAfterFailure = false) {
  if (auto problem = CheckUtilityTarget(source, target)) return problem;
  Problem problem;
  OutputFile out = OutputFile::Open(target, problem);
  if (!out.IsOpen()) return problem;
  const UtilityOutcome outcome = work(out.Path());
  const bool written = outcome.status != UtilityStatus::DestinationNotOpened &&
                       (outcome.Ok() || keepAfterFailure);
  if (written && !out.Commit(overwrite, problem)) return problem;
  if (outcome.Ok()) return std::nullopt;
  return UtilityProblem(outcome, source, target);
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
  const UtilityStatus status = HeaderStatus(TMIDheader(source), formatOneOnly);
  if (status == UtilityStatus::None) return std::nullopt;
  Problem problem(UtilityMessage(status, messages), source);
  if (status == UtilityStatus::SourceNotOpened) problem.reason = UnreadableReason(source);
  return problem;
}

std::optional<Problem> CheckUtilityTarget(const std::string& source, const std::string& target) {
  if (auto clash = OutputIsInput(target, source, "Can't overwrite source file!")) return clash;
  return UnwritableTarget(target);
}

std::optional<Problem> MergeToFormat0(const std::string& source, const std::string& target,
                                      Overwrite overwrite) {
  if (auto problem = CheckUtilitySource(source, kMergerMessages, true)) return problem;
  return WriteThrough(source, target, overwrite,
                      [&](const std::string& path) { return MergeFormat1To0(source, path); });
}

std::optional<Problem> EditTracks(const std::string& source, const std::string& destination,
                                  const TrackEdit& edit, Overwrite overwrite) {
  if (auto problem = CheckUtilitySource(source, kEditorMessages, false)) return problem;
  return WriteThrough(source, destination, overwrite, [&](const std::string& path) {
    return EditMidiTracks(source, path, edit);
  });
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

std::optional<Problem> ListMidiToFile(const std::string& source, const std::string& report,
                                      ListingForm form, Overwrite overwrite) {
  if (auto problem = CheckUtilitySource(source, kListingMessages, false)) return problem;
  return WriteThrough(
      source, report, overwrite,
      [&](const std::string& path) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
          return UtilityFailure(UtilityStatus::DestinationNotOpened, kListingMessages,
                                SystemReason(errno));
        bool outputFailed = false;
        UtilityOutcome outcome = Listing(
            source, source, form,
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
