#include "stems.h"

#include "midiutils.h"
#include "outputjob.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/files/paths.h"
#include "tonemill/midi/midheader.h"

#include <algorithm>
#include <filesystem>

namespace tonemill::ops {

std::vector<TrackChannel> PairsPlayingNotes(const std::string& mid,
                                            std::optional<Problem>& problem) {
  problem = CheckUtilitySource(mid, kEditorMessages, false);
  std::vector<TrackChannel> pairs;
  if (problem) return pairs;
  const TMIDheader header(mid);
  try {
    TFastFile file(mid, true, false);
    file.SeekTo(14);
    MidiTrackReader reader(file, TempoReading::SkipByLength);
    for (int track = 1; track <= header.tracks; ++track) {
      std::array<bool, 16> playing{};
      MidiEvent e;
      if (reader.BeginTrack())
        while (reader.Next(e))
          if (e.Kind() == 0x90 && e.data2 > 0) playing[size_t(e.Channel() - 1)] = true;
      if (reader.Error() != MidiReadError::None) {
        problem = UtilityProblem(
            UtilityFailure(StatusOfReadError(reader.Error()), kEditorMessages, {}, track), mid, "");
        return {};
      }
      for (int channel = 1; channel <= 16; ++channel)
        if (playing[size_t(channel - 1)]) pairs.push_back({track, channel});
    }
  } catch (const EInOutError& error) {
    problem = Problem(UtilityMessage(UtilityStatus::Abnormal, kEditorMessages), mid, 0, error.what());
    return {};
  }
  return pairs;
}

std::string StemName(const std::string& mix, const TrackChannel& pair,
                     const std::string& extension) {
  const std::filesystem::path path(mix);
  std::filesystem::path stem = path;
  stem.replace_filename(path.stem().string() + "." + std::to_string(pair.track) + "-" +
                        std::to_string(pair.channel) + extension);
  return stem.string();
}

std::optional<Problem> SoloPairNotes(const std::string& mid, const TrackChannel& pair,
                                     const std::string& scratch, OutputFile& out) {
  TrackEdit solo;
  solo.mute = false;
  solo.kinds = EditKinds{};  // notes only: controllers of other pairs still shape this one
  solo.pairs = {pair};
  OutputJob job;
  job.target = scratch;
  Progress progress;
  return ProblemOf(RunOutputJob(
      job, progress,
      [&](const std::string& path, Progress&) {
        const UtilityOutcome outcome = EditMidiTracks(mid, path, solo);
        if (outcome.Ok()) return WorkResult::Done();
        return WorkResult::Failure(UtilityProblem(outcome, mid, scratch));
      },
      &out));
}

}  // namespace tonemill::ops
