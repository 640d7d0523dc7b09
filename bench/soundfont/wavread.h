// Reading 16-bit PCM WAV files for the benchmark's analyses, as one mono signal (the mean of the
// channels) in full-scale units.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Signal {
  int rate = 0;
  int channels = 0;
  std::vector<double> mono;
  double peak = 0;          // of any channel, full scale = 1
  size_t clipped = 0;       // samples of any channel at -32768 or 32767
  size_t totalSamples = 0;  // over all channels
};

// Throws std::runtime_error for anything but 16-bit PCM.
Signal ReadSignal(const std::string& path);

}  // namespace bench
