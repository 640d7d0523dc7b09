// Playing a MIDI file means rendering it first, the way the song pipeline does, into private
// scratch files: 22050 Hz, 16 bits, stereo, volume 1.0, drums ALL:10.
#pragma once

#include "tonemill/files/problem.h"
#include "tonemill/render/songrender.h"

#include <optional>
#include <string>

namespace tonemill::ops {

struct PlaybackRender {
  std::string mid;
  std::string scratchDirectory;  // private to this playing; removed by the caller afterwards
  std::string prgDirectory, wavDirectory, dftDirectory;
};

// The format a MIDI file is played in.
SongFormat PlaybackFormat();

enum class PlaybackEnd { Ready, Cancelled, Failed };
// Renders the song into `scratchDirectory`; on Ready, `wav` names the song. A missing sample
// shows the sample check's messages and nothing is rendered.
PlaybackEnd RenderForPlaying(const PlaybackRender& job, SongProgress& progress,
                             platform::PumpFunction pump, void* pumpContext, std::string& wav,
                             Problem& problem);

// The factor a quiet WAV file (8 or 16 bits) is played with to be heard: what brings its peak to
// -1 dBFS, at most 100 (+40 dB), never below 1 (a loud file plays as it is; silence too). The
// file itself is not changed.
double PreviewGain(const std::string& wav);
// The factor in decibels, and as the dialogs show it: "Preview gain: +38.5 dB".
double GainDecibels(double gain);
std::string PreviewGainText(double gain);

// Whether the Play dialog decodes `file` before playing it: an audio file by its extension (FLAC,
// Ogg Vorbis, Opus, MP3, AIFF), or a WAV file of a width or layout the player does not read but
// the decoder does.
bool NeedsDecoding(const std::string& file);
// Decodes `source` into the 16-bit WAV file `target` at the source's own rate and channels;
// nothing when done, otherwise why not (the decoder's reason, or a channel count above two).
std::optional<Problem> DecodeForPlaying(const std::string& source, const std::string& target);

}  // namespace tonemill::ops
