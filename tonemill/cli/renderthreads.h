// --threads and --memory of the render commands: how many threads mix one song and how much
// memory a song may be mixed in, passed on to the library in its environment
// (RESONA_THREADS, RESONA_MEMORY_MIB), which the worker processes inherit.
#pragma once

#include "options.h"

#include <string>

namespace tonemill::cli {

struct MixOptions {
  std::string threadsText, memoryText;

  void Register(OptionParser& parser);
  // False, with the message, for a value out of range.
  bool Check(std::string& error) const;
  // Shares the processors between `jobs` (songs at once; `jobsGiven` when the user set it) and
  // the threads of each song: by default one song gets every processor and a batch of `songs`
  // one thread per song; one explicit value sets the other so that jobs × threads does not
  // exceed the processors. Sets the library's environment.
  void Apply(size_t songs, bool jobsGiven, int& jobs) const;
};

}  // namespace tonemill::cli
