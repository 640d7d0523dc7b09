#include "notes.h"

namespace tonemill {

std::string KeyName(int key) {
  static const char* const kNames[12] = {"c",  "c#", "d",  "d#", "e",  "f",
                                         "f#", "g",  "g#", "a",  "a#", "b"};
  // Floor division, so that the note numbers below 0 that song lists allow get names too.
  int octave = key >= 0 ? key / 12 : -((11 - key) / 12);
  return std::string(kNames[key - 12 * octave]) + std::to_string(octave);
}

}  // namespace tonemill
