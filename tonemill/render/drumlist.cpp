#include "drumlist.h"

#include "tonemill/files/numbers.h"

#include <algorithm>

namespace tonemill {

std::string CheckDrumCell(std::string& cell, bool isTrack) {
  std::string compact;
  for (char c : cell)
    if (c != ' ') compact += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  const int maximum = isTrack ? 65535 : 16;
  if (std::optional<int> v = ParseInteger(compact); v && *v >= 1 && *v <= maximum) {
    cell = std::to_string(*v);
    return "";
  }
  if (compact == "ALL") {
    cell = compact;
    return "";
  }
  return isTrack ? "Illegal MIDI Track!" : "Illegal MIDI Channel!";
}

const char* const kIncompleteDrumListMessage = "Incomplete Track:Channel specification!";

bool DrumCellIsEmpty(const std::string& cell) {
  return cell.find_first_not_of(' ') == std::string::npos;
}

std::optional<std::pair<size_t, int>> FirstEmptyDrumCell(const std::vector<DrumRow>& rows) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (DrumCellIsEmpty(rows[i].first)) return std::pair<size_t, int>{i, 0};
    if (DrumCellIsEmpty(rows[i].second)) return std::pair<size_t, int>{i, 1};
  }
  return std::nullopt;
}

void RemoveRepeatedDrumRows(std::vector<DrumRow>& rows) {
  for (size_t i = 0; i < rows.size(); ++i)
    rows.erase(std::remove(rows.begin() + std::ptrdiff_t(i) + 1, rows.end(), rows[i]), rows.end());
}

std::vector<DrumPair> DrumPairsFromRows(std::vector<DrumRow> rows) {
  for (auto& [track, channel] : rows) {
    if (track == "ALL") track = "-1";
    if (channel == "ALL") channel = "-1";
  }
  return DrumPairsFromCells(rows);
}

}  // namespace tonemill
