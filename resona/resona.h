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

// The threads that mix each song the calling thread renders from now on; 0 leaves the choice
// to the host's environment (RESONA_THREADS), or the processors. For a host that renders songs
// on several threads of its own, each with its own share of the processors.
RESONA_EXPORT void ResonaSetThreads(int32_t threads);

// Keeps the samples the renders prepare (read, converted and re-pitched) for the songs that
// follow, in any thread, while at least one holder keeps them: each call with a non-zero
// argument adds a holder, each call with 0 removes one; the last one out frees them. For a host
// that renders many songs with one instrument set in one process. The memory is bounded by
// RESONA_SAMPLE_CACHE_MIB (default 256); a sample file that changed is prepared afresh.
RESONA_EXPORT void ResonaKeepSamples(int32_t keep);

// Ordinal 5: renders an LST song list into a WAV song. Returns 0 on success or cancel,
// otherwise a status whose message the program's status table gives.
RESONA_EXPORT int32_t LSTtoWAV(const char* lstPath, const char* wavPath, const char* sampleDir,
                               int32_t bits, int32_t channels, int32_t rate, int32_t gain,
                               int32_t* line, int32_t* lines, int32_t* baseNote,
                               int32_t* currentNote, char* instrument,
                               const int32_t* lfoTable, const int32_t* sineTable);

// The effects (ordinals 1-4) turn one WAV file into another over a range of frames. They
// return 0 on success and after a cancel (progress pushed to or past total), 1 when memory for
// their delay lines runs out, and the statuses of resona/effects/status.h for inputs that cannot
// be used. `total` is set to the bytes of work before any sample is processed.

// Ordinal 1: channel vocoder; the five arrays hold 32 entries each.
RESONA_EXPORT int32_t vocode(const char* controlFile, const char* inFile, const char* outFile,
                             int32_t startFrame, int32_t endFrame, int32_t windowFrames,
                             int32_t bandCount, int32_t amp256, int32_t leftOnly,
                             int32_t rightOnly, int32_t normalize, const int32_t* controlCenter,
                             const int32_t* controlWidth, const int32_t* carrierCenter,
                             const int32_t* carrierWidth, const int32_t* weight256,
                             int32_t* progress, int32_t* total);
// Ordinal 2: echo.
RESONA_EXPORT int32_t wavecho(const char* inFile, const char* outFile, int32_t startFrame,
                              int32_t endFrame, int32_t delayFrames, int32_t feedback,
                              int32_t level, int32_t leftOnly, int32_t rightOnly,
                              int32_t* progress, int32_t* total);
// Ordinal 3: flanger and chorus; the tables hold 1608 entries each.
RESONA_EXPORT int32_t wavflange(const char* inFile, const char* outFile, int32_t startFrame,
                                int32_t endFrame, int32_t offsetFrames, int32_t variationFrames,
                                int32_t rateNum, int32_t rateDen, int32_t dryLevel,
                                int32_t wetLevel, int32_t feedback, int32_t leftOnly,
                                int32_t rightOnly, int32_t* progress, int32_t* total,
                                const int32_t* sineTable, const int32_t* cosineTable);
// Ordinal 4: reverb; algorithm 1 chamber, 2 chapel, 3 hall, 4 custom.
RESONA_EXPORT int32_t wavreverb(const char* inFile, const char* outFile, int32_t algorithm,
                                int32_t startFrame, int32_t endFrame, int32_t decayMs,
                                int32_t predelayMs, int32_t levelLeft, int32_t levelRight,
                                int32_t lowpassLeft1, int32_t lowpassLeft2, int32_t lowpassLeft3,
                                int32_t lowpassLeft4, int32_t lowpassLeft5, int32_t lowpassLeft6,
                                int32_t lowpassRight1, int32_t lowpassRight2,
                                int32_t lowpassRight3, int32_t lowpassRight4,
                                int32_t lowpassRight5, int32_t lowpassRight6, int32_t leftOnly,
                                int32_t rightOnly, int32_t* progress, int32_t* total);

typedef int32_t (*VocodeProc)(const char*, const char*, const char*, int32_t, int32_t, int32_t,
                              int32_t, int32_t, int32_t, int32_t, int32_t, const int32_t*,
                              const int32_t*, const int32_t*, const int32_t*, const int32_t*,
                              int32_t*, int32_t*);
typedef int32_t (*WavEchoProc)(const char*, const char*, int32_t, int32_t, int32_t, int32_t,
                               int32_t, int32_t, int32_t, int32_t*, int32_t*);
typedef int32_t (*WavFlangeProc)(const char*, const char*, int32_t, int32_t, int32_t, int32_t,
                                 int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                 int32_t*, int32_t*, const int32_t*, const int32_t*);
typedef int32_t (*WavReverbProc)(const char*, const char*, int32_t, int32_t, int32_t, int32_t,
                                 int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                 int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                 int32_t, int32_t, int32_t, int32_t*, int32_t*);
typedef int32_t (*LSTtoWAVProc)(const char*, const char*, const char*, int32_t, int32_t, int32_t,
                                int32_t, int32_t*, int32_t*, int32_t*, int32_t*, char*,
                                const int32_t*, const int32_t*);
typedef void (*ResonaSetPumpProc)(ResonaPump, void*);
typedef void (*ResonaSetThreadsProc)(int32_t);
typedef void (*ResonaKeepSamplesProc)(int32_t);

#ifdef __cplusplus
}
#endif

#endif
