// The two 1608-entry tables the program passes to the library: cos and sin of 2π·i/1608,
// × 65536, truncated toward zero. Every caller builds them with this one function.
#pragma once

#include <array>
#include <cstdint>

namespace tonemill {

constexpr int kWaveTableSize = 1608;

struct WaveTables {
  std::array<int32_t, kWaveTableSize> cosine;
  std::array<int32_t, kWaveTableSize> sine;
};

WaveTables BuildWaveTables();

}  // namespace tonemill
