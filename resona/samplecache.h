// Prepared samples kept between songs: the instrument samples (read, converted to the output
// layout and rate, loop unrolled) and the note buffers resampled from them, for a host that
// renders many songs with one instrument set in one process. The cache lives while a host
// holds it; without a holder nothing is kept and every song prepares its own samples.
//
// An entry is found by the sample file's path, size and modification time and by everything
// else its preparation depends on, so a changed file is prepared afresh. The memory kept is
// bounded (RESONA_SAMPLE_CACHE_MIB, default 256): the least recently used entries go first.
// Safe to use from several rendering threads at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace resona {

struct InstrumentSample;
struct NoteSample;

namespace samplecache {

// Counted: each Hold keeps the cache alive until its Release; the last Release empties it.
void Hold();
void Release();
bool Held();

// The key of a sample file as it is now, with what its preparation depends on appended; empty
// when the file cannot be examined or nobody holds the cache (then nothing is kept).
std::string SampleKey(const std::string& path, const std::string& preparation);

std::shared_ptr<const InstrumentSample> FindSample(const std::string& key);
void KeepSample(const std::string& key, std::shared_ptr<const InstrumentSample> sample);
std::shared_ptr<const NoteSample> FindNote(const std::string& key);
void KeepNote(const std::string& key, std::shared_ptr<const NoteSample> note);

// The bytes kept now, and the bound.
int64_t BytesKept();
void SetBound(int64_t bytes);

}  // namespace samplecache
}  // namespace resona
