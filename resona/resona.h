// Resona: the song renderer and the heavy effects behind a C ABI.
// The program never links against it; it loads libresona.so for each long operation,
// looks one export up by ordinal (platform/library.h) and calls it once.
#ifndef RESONA_RESONA_H
#define RESONA_RESONA_H

#include <stdint.h>

#if defined(RESONA_BUILDING)
#define RESONA_EXPORT __attribute__((visibility("default")))
#else
#define RESONA_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Called by the library at its pump points so that the host can serve its own events
// (redraw progress, notice a cancel). The host registers it right after loading the
// library; until then the library pumps nothing.
typedef void (*ResonaPump)(void* context);
RESONA_EXPORT void ResonaSetPump(ResonaPump pump, void* context);

// Ordinal 5: renders an LST song list into a WAV song. Returns 0 on success or cancel,
// otherwise a status whose message the program's status table gives.
RESONA_EXPORT int32_t LSTtoWAV(const char* lstPath, const char* wavPath, const char* sampleDir,
                               int32_t bits, int32_t channels, int32_t rate, int32_t gain,
                               int32_t* line, int32_t* lines, int32_t* baseNote,
                               int32_t* currentNote, char* instrument,
                               const int32_t* lfoTable, const int32_t* sineTable);

typedef int32_t (*LSTtoWAVProc)(const char*, const char*, const char*, int32_t, int32_t, int32_t,
                                int32_t, int32_t*, int32_t*, int32_t*, int32_t*, char*,
                                const int32_t*, const int32_t*);
typedef void (*ResonaSetPumpProc)(ResonaPump, void*);

#ifdef __cplusplus
}
#endif

#endif
