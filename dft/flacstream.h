// The samples as a FLAC stream, through libFLAC: 8-bit samples are stored as signed values
// (byte - 128) and come back as the same bytes; 16-bit samples as they are.
#pragma once

#include "container.h"
#include "files.h"
#include "wavlayout.h"

#include <cstdint>

namespace dft {

// Encodes the layout's frames, read from `source`, and writes the stream at the target's
// cursor; `streamLength` is how many bytes it took. Returns a result code.
int32_t EncodeSamples(const Source& source, const WavLayout& layout, Target& target,
                      uint32_t& streamLength);

// Decodes the stream of `header` found at `streamOffset` of `source` and writes the sample
// bytes at the target's cursor. Returns a result code: kNotDft for a damaged stream or one
// that does not match the header, kPrematureEnd when it holds fewer frames than the header.
int32_t DecodeSamples(const Source& source, uint64_t streamOffset, const Header& header,
                      Target& target);

}  // namespace dft
