// The library's C entry points. Nothing else leaves libresona.so.
#include "effects/echo.h"
#include "effects/flange.h"
#include "effects/reverb.h"
#include "effects/vocode.h"
#include "mixcrew.h"
#include "render.h"
#include "resona.h"
#include "samplecache.h"
#include "status.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

// The effects report running out of memory as status 1 and never throw across the boundary.
template <class Run>
int32_t Guarded(Run run) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    return resona::effects::kEffectOutOfMemory;
  } catch (...) {
    return -1;
  }
}

// The threads set by the calling thread for its songs; 0 when it set none.
thread_local int32_t tThreads = 0;

}  // namespace

extern "C" {

RESONA_EXPORT void ResonaSetPump(ResonaPump pump, void* context) {
  resona::SetPump(pump, context);
}

RESONA_EXPORT void ResonaSetThreads(int32_t threads) { tThreads = threads > 0 ? threads : 0; }

RESONA_EXPORT void ResonaKeepSamples(int32_t keep) {
  if (keep)
    resona::samplecache::Hold();
  else
    resona::samplecache::Release();
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
  // The host's choices, from its environment: threads per song (default: the processors) and
  // the memory budget of a song mixed in memory, in MiB.
  request.threads = resona::ProcessorCount();
  if (const char* threads = std::getenv("RESONA_THREADS"); threads && std::atoi(threads) > 0)
    request.threads = std::atoi(threads);
  if (const char* memory = std::getenv("RESONA_MEMORY_MIB"); memory && std::atoll(memory) >= 0)
    request.memoryBytes = std::min<int64_t>(std::atoll(memory), 1 << 20) << 20;
  if (tThreads > 0) request.threads = tThreads;
  try {
    return resona::RenderSong(request);
  } catch (const std::bad_alloc&) {
    return resona::kOutOfMemory;
  } catch (...) {
    return -1;
  }
}

RESONA_EXPORT int32_t vocode(const char* controlFile, const char* inFile, const char* outFile,
                             int32_t startFrame, int32_t endFrame, int32_t windowFrames,
                             int32_t bandCount, int32_t amp256, int32_t leftOnly,
                             int32_t rightOnly, int32_t normalize, const int32_t* controlCenter,
                             const int32_t* controlWidth, const int32_t* carrierCenter,
                             const int32_t* carrierWidth, const int32_t* weight256,
                             int32_t* progress, int32_t* total) {
  const resona::effects::EffectCall call{inFile, outFile, startFrame, endFrame,
                                         leftOnly, rightOnly, progress, total};
  resona::effects::VocodeParameters p;
  p.controlFile = controlFile;
  p.windowFrames = windowFrames;
  p.bandCount = bandCount;
  p.amp256 = amp256;
  p.normalize = normalize;
  p.controlCenter = controlCenter;
  p.controlWidth = controlWidth;
  p.carrierCenter = carrierCenter;
  p.carrierWidth = carrierWidth;
  p.weight256 = weight256;
  return Guarded([&] { return resona::effects::RunVocode(call, p); });
}

RESONA_EXPORT int32_t wavecho(const char* inFile, const char* outFile, int32_t startFrame,
                              int32_t endFrame, int32_t delayFrames, int32_t feedback,
                              int32_t level, int32_t leftOnly, int32_t rightOnly,
                              int32_t* progress, int32_t* total) {
  const resona::effects::EffectCall call{inFile, outFile, startFrame, endFrame,
                                         leftOnly, rightOnly, progress, total};
  const resona::effects::EchoParameters p{delayFrames, feedback, level};
  return Guarded([&] { return resona::effects::RunEcho(call, p); });
}

RESONA_EXPORT int32_t wavflange(const char* inFile, const char* outFile, int32_t startFrame,
                                int32_t endFrame, int32_t offsetFrames, int32_t variationFrames,
                                int32_t rateNum, int32_t rateDen, int32_t dryLevel,
                                int32_t wetLevel, int32_t feedback, int32_t leftOnly,
                                int32_t rightOnly, int32_t* progress, int32_t* total,
                                const int32_t* sineTable, const int32_t* cosineTable) {
  const resona::effects::EffectCall call{inFile, outFile, startFrame, endFrame,
                                         leftOnly, rightOnly, progress, total};
  const resona::effects::FlangeParameters p{offsetFrames, variationFrames, rateNum, rateDen,
                                            dryLevel,     wetLevel,        feedback, sineTable,
                                            cosineTable};
  return Guarded([&] { return resona::effects::RunFlange(call, p); });
}

RESONA_EXPORT int32_t wavreverb(const char* inFile, const char* outFile, int32_t algorithm,
                                int32_t startFrame, int32_t endFrame, int32_t decayMs,
                                int32_t predelayMs, int32_t levelLeft, int32_t levelRight,
                                int32_t lowpassLeft1, int32_t lowpassLeft2, int32_t lowpassLeft3,
                                int32_t lowpassLeft4, int32_t lowpassLeft5, int32_t lowpassLeft6,
                                int32_t lowpassRight1, int32_t lowpassRight2,
                                int32_t lowpassRight3, int32_t lowpassRight4,
                                int32_t lowpassRight5, int32_t lowpassRight6, int32_t leftOnly,
                                int32_t rightOnly, int32_t* progress, int32_t* total) {
  const resona::effects::EffectCall call{inFile, outFile, startFrame, endFrame,
                                         leftOnly, rightOnly, progress, total};
  const resona::effects::ReverbParameters p{
      algorithm, decayMs, predelayMs, levelLeft, levelRight,
      {lowpassLeft1, lowpassLeft2, lowpassLeft3, lowpassLeft4, lowpassLeft5, lowpassLeft6},
      {lowpassRight1, lowpassRight2, lowpassRight3, lowpassRight4, lowpassRight5, lowpassRight6}};
  return Guarded([&] { return resona::effects::RunReverb(call, p); });
}

}  // extern "C"
