// The two conversions behind the library's entry points, each returning a result code.
#pragma once

#include <cstdint>

namespace dft {

// Ordinal 1: rebuilds the WAV file byte for byte. Never returns kNotWav or kUnsupportedFormat.
int32_t DftFileToWav(const char* source, const char* target);
// Ordinal 2: never returns kNotDft.
int32_t WavFileToDft(const char* source, const char* target);

}  // namespace dft
