#include "wavetables.h"

#include <cmath>

namespace tonemill {

// Evaluated in extended precision: the angle i × 2π / 1608 (in that order), its cosine and
// sine, the product with 65536, then truncation. At the exact quarter and sixth points this
// decides between neighbours (cos of entry 268 is 0.5 in exact arithmetic); the tests pin the
// results down.
WaveTables BuildWaveTables() {
  const long double twoPi = 6.283185307179586476925286766559005768L;
  WaveTables t;
  for (int i = 0; i < kWaveTableSize; ++i) {
    long double angle = i * twoPi / kWaveTableSize;
    t.cosine[size_t(i)] = int32_t(std::cos(angle) * 65536.0L);
    t.sine[size_t(i)] = int32_t(std::sin(angle) * 65536.0L);
  }
  return t;
}

}  // namespace tonemill
