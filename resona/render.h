// The song driver behind LSTtoWAV.
#pragma once

#include "samplefile.h"

#include <cstdint>

namespace resona {

// A WAV header cannot describe more data than this, so no song or note may go past it.
constexpr int64_t kMaxDataBytes = (int64_t(1) << 31) - 1;
// A song whose silence fits this many bytes is mixed in a mapping of its file: an hour of
// 44.1 kHz 16-bit stereo. Longer songs are mixed in the file.
constexpr int64_t kDefaultMemoryBytes = int64_t(3600) * 44100 * 4;

struct RenderRequest {
  const char* lstPath = nullptr;
  const char* wavPath = nullptr;
  const char* sampleDirectory = nullptr;
  int32_t bits = 16;
  int32_t channels = 2;
  int32_t rate = 44100;
  int32_t gain = 256;
  int32_t* line = nullptr;
  int32_t* lines = nullptr;
  int32_t* baseNote = nullptr;
  int32_t* currentNote = nullptr;
  char* instrument = nullptr;  // at least 12 bytes
  const int32_t* lfoTable = nullptr;
  // Lowered by tests and harnesses to bound their work.
  int64_t maxDataBytes = kMaxDataBytes;
  int64_t maxBufferSamples = kMaxBufferSamples;
  // The memory the song's mix may take; 0 mixes in the file.
  int64_t memoryBytes = kDefaultMemoryBytes;
  // The threads that mix a song held in memory, each a time range of it; the bytes are the
  // same for any number.
  int32_t threads = 1;
};

// Renders a song; returns the status of LSTtoWAV. Throws std::bad_alloc when memory runs out.
int32_t RenderSong(const RenderRequest& request);

// Calls the host's pump, when one is registered.
void Pump();
void SetPump(void (*pump)(void*), void* context);

}  // namespace resona
