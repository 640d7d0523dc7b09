// The DFT library as the program calls it: bound by the name "DFT.DLL" for one call and freed
// right after, its result codes turned into the system's messages. The library writes the file
// it is handed, the caller's temporary output; the caller puts it into place on success, so a
// failed conversion leaves whatever the target held before and never a file that looks complete.
#pragma once

#include "tonemill/files/problem.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tonemill {

enum class DftEntry : int { DftToWav = 1, WavToDft = 2 };

// The library's interface holds a path in 256 bytes with its terminator.
constexpr size_t kMaxDftPathBytes = 255;

// "Can't open source file X.", ..., "Internal error!". Codes the entry point never returns
// (11 and 12 from DFT to WAV, 6 from WAV to DFT) read as "Internal error!".
std::string DftResultMessage(DftEntry entry, int32_t code, const std::string& source,
                             const std::string& target);

// "Path X is longer than 255 bytes." for a source or target the library cannot take.
std::optional<Problem> CheckDftPaths(const std::string& source, const std::string& target);

// Converts `source` into `output`, the file opened for `target`, through the library. None when
// the library returned 0; otherwise the system's message, naming `target` where it is about the
// output. `unbound` is set when the library or its entry point could not be bound.
std::optional<Problem> ConvertWithDftLibrary(DftEntry entry, const std::string& source,
                                             const std::string& output, const std::string& target,
                                             bool* unbound = nullptr);

}  // namespace tonemill
