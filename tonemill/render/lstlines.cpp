#include "lstlines.h"

#include <fstream>

namespace tonemill {

int64_t FileLineOfCount(const std::string& lstPath, int64_t count) {
  std::ifstream in(lstPath, std::ios::binary);
  if (!in || count < 1) return 0;
  constexpr size_t kPiece = 255;
  std::string line;
  int64_t fileLine = 0;
  int64_t seen = 0;
  while (std::getline(in, line)) {
    ++fileLine;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A line is read in pieces of 255 characters and then its line end; a piece counts unless it
    // starts with CR or LF (the bare line end of an empty line or of an exact multiple).
    size_t pieces = line.empty() ? 0 : (line.size() + kPiece - 1) / kPiece;
    for (size_t p = 0; p < pieces; ++p)
      if (line[p * kPiece] != '\r' && ++seen == count) return fileLine;
  }
  return 0;
}

}  // namespace tonemill
