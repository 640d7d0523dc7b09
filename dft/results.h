// The result codes of the DFT library's two entry points. The program turns each into its
// message; 1, 2 and every code not listed here mean an internal fault.
#pragma once

#include <cstdint>

namespace dft {

enum Result : int32_t {
  kOk = 0,
  kCantOpenSource = 3,      // the source cannot be opened for reading
  kUnsupportedWordSize = 4, // not 8 or 16 bits per sample
  kUndefinedChannels = 5,   // not 1 or 2 channels
  kNotDft = 6,              // DFT to WAV: the source is not a DFT file, or it is damaged
  kCantCreateTarget = 7,    // the destination cannot be created
  kDiskFull = 8,            // a write or the close of the destination failed
  kOutOfMemory = 9,
  kPrematureEnd = 10,       // the source ends before what its headers promise
  kNotWav = 11,             // WAV to DFT: the source is not a RIFF/WAVE file
  kUnsupportedFormat = 12,  // WAV to DFT: a WAVE file that is not plain PCM
  kInternalError = -1,
};

}  // namespace dft
