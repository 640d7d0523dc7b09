#include "songrender.h"

#include "resona/resona.h"
#include "tonemill/files/paths.h"
#include "wavetables.h"

#include <cmath>

namespace tonemill {

namespace {
constexpr int kLstToWavOrdinal = 5;
}

int32_t GainFromVolume(const Real48& volume) {
  return int32_t(std::nearbyint(volume.ToDouble() * 256.0));
}

SongRenderResult RenderSongList(const SongRenderJob& job, SongProgress& progress,
                                platform::PumpFunction pump, void* pumpContext) {
  SongRenderResult result;
  platform::BoundLibrary library = platform::BoundLibrary::Load("RESONA.DLL", pump, pumpContext);
  if (!library.IsLoaded()) return result;
  auto lstToWav = reinterpret_cast<LSTtoWAVProc>(library.Export(kLstToWavOrdinal));
  result.binding = SongRenderResult::Binding::ExportMissing;
  if (!lstToWav) return result;
  result.binding = SongRenderResult::Binding::Called;
  // The same for every song: built once for the process (the first caller builds them, others
  // wait), not at every render.
  static const WaveTables tables = BuildWaveTables();
  const std::string sampleDirectory = WithBackslash(job.sampleDirectory);
  progress.counters.Reset(1);
  result.status = lstToWav(job.lstPath.c_str(), job.wavPath.c_str(), sampleDirectory.c_str(),
                           job.format.bits, job.format.channels, job.format.rate,
                           GainFromVolume(job.format.volume), &progress.counters.done,
                           &progress.counters.total, &progress.baseNote,
                           &progress.currentNote, progress.instrument, tables.cosine.data(),
                           tables.sine.data());
  return result;
}

bool SongFitsWavFile(int64_t durationMs, int32_t bits, int32_t channels, int32_t rate) {
  // 24 and 32 (float) are the library's wide mixes; any other width but 8 is mixed in 16 bits.
  const int64_t frameBytes =
      (channels == 1 ? 1 : 2) * (bits == 8 ? 1 : bits == 24 ? 3 : bits == 32 ? 4 : 2);
  const float samplesPerMs = float(rate) / 1000.0f;
  const long double frames = std::trunc((long double)durationMs * (long double)samplesPerMs);
  const int64_t maxData = ((int64_t(1) << 31) - 1) / frameBytes * frameBytes;
  return frames * frameBytes <= (long double)maxData;
}

}  // namespace tonemill
