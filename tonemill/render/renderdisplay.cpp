#include "renderdisplay.h"

#include "tonemill/files/notes.h"

#include <algorithm>
#include <cstring>

namespace tonemill {

RenderDisplay DisplayOf(const SongProgress& p) {
  RenderDisplay d;
  const int32_t lines = std::max<int32_t>(p.counters.total, 1);
  const int32_t line = p.counters.done;
  d.lineText = std::to_string(line) + "/" + std::to_string(lines);
  d.allocating = line <= 2;
  if (d.allocating) return d;
  d.instrument = std::string(p.instrument, strnlen(p.instrument, sizeof p.instrument));
  d.baseNote = KeyName(p.baseNote);
  if (line > 4) d.currentNote = KeyName(p.currentNote);
  d.percent = int(std::min<int64_t>(int64_t(line) * 100 / lines, 100));
  return d;
}

int32_t LinesReachedAfterCancel(const SongProgress& p) {
  const int32_t lines = std::max<int32_t>(p.counters.total, 1);
  const int32_t after = std::max<int32_t>(p.counters.done - lines, 0);
  return p.counters.DoneAtCancel() + after;
}

}  // namespace tonemill
