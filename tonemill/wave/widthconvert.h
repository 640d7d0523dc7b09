// A WAV file the engines wrote, rewritten at another sample width: integers shifted to the new
// width (a narrower one keeps the high bits, floored), floats taken as the 32-bit integers the
// engines carry them as.
#pragma once

#include "tonemill/files/progress.h"
#include "tonemill/files/wavheader.h"

#include <optional>
#include <string>

namespace tonemill {

// The encoding `--bits` names (8, 16, 24, 32 or float) for a file of `format`; nothing for any
// other text.
std::optional<WaveEncoding> EncodingNamed(const std::string& bits, const AudioFormat& format);

// Writes `source`'s samples into `target` as `encoding` (its rate and channels are the
// source's). Throws EInOutError when a file cannot be read or written.
void ConvertWavWidth(const std::string& source, const std::string& target, WaveEncoding encoding,
                     Progress& progress);

}  // namespace tonemill
