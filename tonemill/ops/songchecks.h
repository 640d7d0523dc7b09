// The checks the render and Convert dialogs make before any work, shared with the command line.
// Each returns the first problem in the system's words, or nothing.
#pragma once

#include "tonemill/files/problem.h"
#include "tonemill/files/real48.h"
#include "tonemill/render/songrender.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tonemill::ops {

// The files of one song: the MIDI source, its song list and the WAV song (empty when the work
// stops at the list).
struct SongPaths {
  std::string mid, lst, wav;
};

// The MIDI header probe: "File not found!" (with the reason), "Premature end of source file!",
// "Source file is not Standard MIDI!", "Unsupported MIDI format!".
std::optional<Problem> CheckMidiFile(const std::string& mid);

// The three path comparisons: "LST can't overwrite MID!", "WAV can't overwrite MID!", "WAV
// can't overwrite LST!" — by file identity, so a link to the source counts as the source.
std::optional<Problem> CheckSongPathClashes(const SongPaths& paths);

// The Convert dialog's fields: the source must exist ("File not found!"); the target must be a
// valid file name and not the source ("Can't overwrite source file!").
std::optional<Problem> CheckConvertSource(const std::string& source);
std::optional<Problem> CheckConvertTarget(const std::string& source, const std::string& target);

// 11025, 22050 or 44100 Hz, 8 or 16 bits, 1 or 2 channels: "Illegal output format!".
std::optional<Problem> CheckSongFormat(const SongFormat& format);
// The volume field: a real from 0 to 99 ("Illegal volume value!").
std::optional<Real48> ParseVolume(const std::string& text);
extern const char* const kIllegalVolumeMessage;

// Whether a song of `durationMs` fits a WAV file in the format; the problem says how long it
// is and why it does not fit.
std::optional<Problem> CheckSongLength(int64_t durationMs, const SongFormat& format,
                                       const std::string& mid);

// The rates a song may be mixed at besides the three of the format check, and the width that
// stands for float samples.
constexpr int32_t kMinSongRate = 8000, kMaxSongRate = 192000, kFloatSongBits = 32;
// A rate typed by the user: a whole number from 8000 to 192000.
std::optional<int32_t> ParseSongRate(const std::string& text);
extern const char* const kSongRateMessage;

}  // namespace tonemill::ops
