// Rendering an LST song list through the library, the way the render progress dialog does:
// bind RESONA.DLL, build the tables, call LSTtoWAV once with the progress fields, free it.
#pragma once

#include "platform/library.h"
#include "tonemill/files/audioformat.h"
#include "tonemill/files/progress.h"
#include "tonemill/files/real48.h"

#include <cstdint>
#include <string>

namespace tonemill {

// The output format of a rendered song and its volume factor.
struct SongFormat : AudioFormat {
  Real48 volume = Real48::FromDouble(1.0);
};

struct SongRenderJob {
  std::string lstPath;
  std::string wavPath;
  std::string sampleDirectory;
  SongFormat format;
};

// The fields the library writes while it renders; the host reads them at each pump. The line
// counter and the line count are the operation's progress: a cancel sets line = lines.
struct SongProgress {
  Progress counters{Progress::CancelMark::AtTotal};  // done = line, total = lines
  int32_t& line() { return counters.done; }
  int32_t& lines() { return counters.total; }
  int32_t baseNote = 64;
  int32_t currentNote = 64;
  char instrument[256] = {};
};

struct SongRenderResult {
  enum class Binding { LoadFailed, ExportMissing, Called };
  Binding binding = Binding::LoadFailed;
  int32_t status = 0;  // LSTtoWAV's result, when it was called
};

// The master gain: volume factor × 256, rounded to the nearest integer, halves to even.
int32_t GainFromVolume(const Real48& volume);

SongRenderResult RenderSongList(const SongRenderJob& job, SongProgress& progress,
                                platform::PumpFunction pump, void* pumpContext);

// Whether a song of this many milliseconds fits the 32-bit sizes of a WAV file in the format,
// counted the way the renderer counts its frames.
bool SongFitsWavFile(int64_t durationMs, int32_t bits, int32_t channels, int32_t rate);

}  // namespace tonemill
