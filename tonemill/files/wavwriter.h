// Whole PCM WAV files in the canonical layout: the 44-byte header followed by the samples.
#pragma once

#include "audioformat.h"
#include "problem.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tonemill {

// Interleaved samples as the file stores them: 16-bit values little-endian (cut to 16 bits),
// 8-bit values as one unsigned byte each (0 to 255, 128 is silence).
std::vector<uint8_t> EncodePcm(const AudioFormat& format, std::span<const int32_t> samples);
std::vector<uint8_t> EncodePcm(const AudioFormat& format, std::span<const int16_t> samples);

// The canonical header for `data`, then `data` itself. An odd data size is not padded, as the
// renderer does not pad its songs either.
std::vector<uint8_t> CanonicalWavFile(const AudioFormat& format, std::span<const uint8_t> data);

// Writes CanonicalWavFile through an OutputFile, replacing what the path held. False, with the
// problem, when the file cannot be written.
bool WriteCanonicalWavFile(const std::string& path, const AudioFormat& format,
                           std::span<const uint8_t> data, Problem* problem = nullptr);

}  // namespace tonemill
