// The DFT library as the program calls it: bound by the name "DFT.DLL" for one call and freed
// right after, its result codes turned into the system's messages. The library writes into a
// temporary file beside the target, which is moved into place only on success, so a failed
// conversion leaves whatever the target held before and never a file that looks complete.
#pragma once

#include "tonemill/files/outputfile.h"
#include "tonemill/files/problem.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tonemill {

enum class DftEntry : int { DftToWav = 1, WavToDft = 2 };

// The library's interface holds a path in 256 bytes with its terminator.
constexpr size_t kMaxDftPathBytes = 255;

// "Can't open source file X.", ..., "Internal error!". Codes the entry point never returns
// (11 and 12 from DFT to WAV, 6 from WAV to DFT) read as "Internal error!".
std::string DftResultMessage(DftEntry entry, int32_t code, const std::string& source,
                             const std::string& target);

struct DftConversion {
  enum class End { Done, LibraryMissing, Failed };
  End end = End::Failed;
  int32_t code = -1;  // the library's result, when it was called
  Problem problem;    // why it failed: the system's message, naming the real target
};

// Converts `source` into `target` through the library. With Overwrite::Refuse a target that
// exists by the time the work is done is kept and the conversion fails.
DftConversion ConvertWithDftLibrary(DftEntry entry, const std::string& source,
                                    const std::string& target, Overwrite overwrite);

}  // namespace tonemill
