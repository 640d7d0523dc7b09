#include "renderthreads.h"

#include "parallel.h"
#include "tonemill/files/numbers.h"

#include <algorithm>
#include <cstdlib>

namespace tonemill::cli {

void MixOptions::Register(OptionParser& parser) {
  parser.Value("threads", 0, &threadsText, "N",
               "threads mixing each song; the bytes are the same for any number (default: the "
               "processors for one song, 1 for several)");
  parser.Value("memory", 0, &memoryText, "MIB",
               "a song whose silence fits this many MiB is mixed in memory, a longer one through "
               "reads and writes of its file; 0 always the latter (default 606, an hour of "
               "44.1 kHz 16-bit stereo)");
}

bool MixOptions::Check(std::string& error) const {
  if (!threadsText.empty() && !(ParseInteger(threadsText) > 0)) {
    error = "--threads takes a number of 1 or more";
    return false;
  }
  if (!memoryText.empty() && !(ParseInteger(memoryText) >= 0)) {
    error = "--memory takes a number of MiB, 0 or more";
    return false;
  }
  return true;
}

void MixOptions::Apply(size_t songs, bool jobsGiven, int& jobs) const {
  const int processors = ProcessorCount();
  const std::optional<int> threads = threadsText.empty() ? std::nullopt : ParseInteger(threadsText);
  const std::optional<int> memory = memoryText.empty() ? std::nullopt : ParseInteger(memoryText);
  int perSong = 1;
  if (threads) {
    perSong = *threads;
    if (!jobsGiven) jobs = std::max(1, processors / perSong);
  } else if (jobsGiven) {
    perSong = std::max(1, processors / std::max(1, jobs));
  } else {
    perSong = songs > 1 ? 1 : processors;
  }
  ::setenv("RESONA_THREADS", std::to_string(perSong).c_str(), 1);
  if (memory) ::setenv("RESONA_MEMORY_MIB", std::to_string(*memory).c_str(), 1);
}

}  // namespace tonemill::cli
