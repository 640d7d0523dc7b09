#include "trackedit.h"

#include "songchecks.h"
#include "targets.h"
#include "tonemill/files/paths.h"
#include "tonemill/render/drumlist.h"

#include <filesystem>

namespace tonemill::ops {

// The editor's grid takes exactly what the render dialog's drum grid takes.
std::string CheckPairCell(std::string& cell, bool isTrack) { return CheckDrumCell(cell, isTrack); }

int FirstIncompleteRow(const std::vector<PairRow>& rows) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].first.empty() || rows[i].second.empty()) return int(i);
  return -1;
}

std::vector<TrackChannel> PairsFromRows(std::vector<PairRow> rows) {
  RemoveRepeatedDrumRows(rows);
  std::vector<TrackChannel> pairs;
  for (const DrumPair& p : DrumPairsFromRows(rows)) pairs.push_back({p.track, p.channel});
  return pairs;
}

std::optional<std::string> PairRowsFromTexts(const std::vector<std::string>& texts,
                                             std::vector<PairRow>& rows) {
  rows.clear();
  for (const std::string& text : texts) {
    const size_t colon = text.find(':');
    PairRow row{text.substr(0, colon), colon == std::string::npos ? "" : text.substr(colon + 1)};
    if (colon == std::string::npos || FirstIncompleteRow({row}) == 0)
      return kIncompleteDrumListMessage;
    if (std::string m = CheckPairCell(row.first, true); !m.empty()) return m;
    if (std::string m = CheckPairCell(row.second, false); !m.empty()) return m;
    rows.push_back(row);
  }
  return std::nullopt;
}

std::optional<Problem> CheckEditSource(const std::string& source, const std::string& destination) {
  if (auto problem = CheckMidiFile(source)) return problem;
  return OutputIsInput(destination, source, "Can't overwrite source file!");
}

std::optional<Problem> CheckEditDestination(const std::string& source,
                                            const std::string& destination) {
  // A name relative to the working directory is as good as the full path it stands for.
  std::error_code ec;
  const std::string full =
      destination.empty() ? "" : std::filesystem::absolute(destination, ec).string();
  if (!IsValidFileName(full))
    return Problem("Not a valid file name: " + destination, destination);
  return OutputIsInput(destination, source, "Can't overwrite source file!");
}

}  // namespace tonemill::ops
