// A dense song shaped like what the MIDI converter writes: one note block per instrument and
// key, each holding many ON ... OFF strikes, with samples to play it.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

struct DenseSongShape {
  int durationMs = 600000;     // ten minutes
  int strikes = 20000;
  int lanes = 48;              // at most this many strikes sound at once
  uint32_t seed = 2024;
};

struct DenseSongStats {
  int instruments = 0;
  int noteBlocks = 0;
  int strikes = 0;
  int modulatedStrikes = 0;
  double averageVoices = 0;  // strikes sounding (attack to end of release), averaged over the song
  int maxVoices = 0;
};

// Writes the samples into `sampleDir` and the song list to `lstPath`.
DenseSongStats WriteDenseSong(const DenseSongShape& shape, const std::string& sampleDir,
                              const std::string& lstPath);

}  // namespace bench
