// libdft.so: DFT sample files, the compact lossless form of WAV samples. The program binds the
// library by the name "DFT.DLL" and calls one entry point by ordinal: 1 DFTtoWAV, 2 WAVtoDFT.
// Each takes a source and a target path and returns one of the codes of results.h. A failed
// conversion removes the target it was writing, so nothing that looks complete is left.
#pragma once

#include "results.h"

#include <cstdint>

#define DFT_EXPORT extern "C" __attribute__((visibility("default")))

DFT_EXPORT int32_t DFTtoWAV(const char* source, const char* target);
DFT_EXPORT int32_t WAVtoDFT(const char* source, const char* target);
