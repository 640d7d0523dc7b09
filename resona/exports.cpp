// The library's C entry points. Nothing else leaves libresona.so.
#include "render.h"
#include "resona.h"
#include "status.h"

#include <new>

extern "C" {

RESONA_EXPORT void ResonaSetPump(ResonaPump pump, void* context) {
  resona::SetPump(pump, context);
}

RESONA_EXPORT int32_t LSTtoWAV(const char* lstPath, const char* wavPath, const char* sampleDir,
                               int32_t bits, int32_t channels, int32_t rate, int32_t gain,
                               int32_t* line, int32_t* lines, int32_t* baseNote,
                               int32_t* currentNote, char* instrument, const int32_t* lfoTable,
                               const int32_t* /*sineTable: not read by the renderer*/) {
  resona::RenderRequest request;
  request.lstPath = lstPath;
  request.wavPath = wavPath;
  request.sampleDirectory = sampleDir;
  request.bits = bits;
  request.channels = channels;
  request.rate = rate;
  request.gain = gain;
  request.line = line;
  request.lines = lines;
  request.baseNote = baseNote;
  request.currentNote = currentNote;
  request.instrument = instrument;
  request.lfoTable = lfoTable;
  try {
    return resona::RenderSong(request);
  } catch (const std::bad_alloc&) {
    return resona::kOutOfMemory;
  } catch (...) {
    return -1;
  }
}

}  // extern "C"
