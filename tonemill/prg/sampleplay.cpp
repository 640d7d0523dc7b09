#include "sampleplay.h"

#include "platform/filesystem.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/paths.h"
#include "tonemill/prg/prgline.h"
#include "tonemill/prg/prgdocument.h"

#include <cmath>

namespace tonemill {

std::optional<std::string> PlayerFieldText(const PlayerField& field, const std::string& text) {
  if (!IsRealInRange(text, true, true, field.minimum, field.maximum)) return std::nullopt;
  // Whole numbers, as the song list's events take them.
  return std::to_string(std::llround(*ParseReal(text)));
}

std::optional<int> OctaveOfText(const std::string& text) {
  const std::optional<int> octave = ParseInteger(text);
  if (!octave || *octave < 0 || *octave > 10) return std::nullopt;
  return octave;
}

int KeyOfNoteText(const std::string& text) {
  int low = -1, high = -1;
  ParseKeyRange(text, low, high);
  return low;
}

std::vector<PrgLine> LayersForNote(const std::vector<PrgLine>& rows, size_t selected,
                                   bool allLayers, int key) {
  if (!allLayers) return selected < rows.size() ? std::vector<PrgLine>{rows[selected]}
                                                : std::vector<PrgLine>{};
  std::vector<PrgLine> layers;
  for (const PrgLine& row : rows) {
    if (row.keyLow > key || row.keyHigh < key) continue;
    layers.push_back(row);
    if (layers.size() == 6) break;
  }
  return layers;
}

std::string NoLayerMessage(int key) {
  return "No layer of the instrument plays the note " + KeyName(key) + "!";
}

std::string OneNoteList(const std::vector<PrgLine>& layers, const PlayedNote& note) {
  const std::string duration = std::to_string(note.duration);
  std::string list = duration + "\r\n";
  auto line = [&](const std::string& text) { list += text + "\r\n"; };
  for (const PrgLine& layer : layers) {
    line("{");
    line(InstrumentLine(layer));
    line("[");
    line(std::to_string(note.key));
    line("0 ON " + std::to_string(note.attack));
    if (note.pressure != 64) line("0 PRS " + std::to_string(note.pressure));
    if (note.modulation != 0) line("0 MOD " + std::to_string(note.modulation));
    line(duration + " OFF " + std::to_string(note.release));
    line("]");
    line("}");
  }
  return list;
}

std::optional<Problem> CheckPlayerOutput(const std::string& output,
                                         const std::vector<PrgLine>& layers,
                                         const std::string& wavDirectory) {
  for (const PrgLine& layer : layers) {
    const std::string sample =
        platform::FindFileIgnoringCase(SampleFileName(wavDirectory, layer.wavName));
    if (SameFile(output, sample))
      return Problem("Can't overwrite sample file " + SampleFileName(wavDirectory, layer.wavName) + "!",
                     output);
  }
  return std::nullopt;
}

std::string PlayerListPath(const std::string& tempDirectory) {
  return WithBackslash(tempDirectory) + "Temp.LST";
}

}  // namespace tonemill
