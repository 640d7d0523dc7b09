// The library's C entry points. Nothing else leaves libdft.so; the conversions let no
// exception out.
#include "convert.h"
#include "dft.h"

DFT_EXPORT int32_t DFTtoWAV(const char* source, const char* target) {
  return dft::DftFileToWav(source, target);
}

DFT_EXPORT int32_t WAVtoDFT(const char* source, const char* target) {
  return dft::WavFileToDft(source, target);
}
