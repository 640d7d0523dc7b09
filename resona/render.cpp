#include "render.h"

#include "lst.h"
#include "mixcrew.h"
#include "mixfile.h"
#include "resona.h"
#include "status.h"
#include "voice.h"
#include "wavefile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <unistd.h>

namespace resona {
namespace {

// Each thread that renders registers its own pump: songs rendered side by side in one process
// serve their own hosts.
thread_local ResonaPump gPump = nullptr;
thread_local void* gPumpContext = nullptr;

constexpr int32_t kSilenceBlockSamples = 176400;
constexpr int32_t kInternalError = -1;

// Memory the system can give without swapping, by its own estimate; -1 when unknown.
int64_t AvailableMemory() {
  std::FILE* f = std::fopen("/proc/meminfo", "re");
  if (!f) return -1;
  char line[256];
  long long kib = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) break;
  std::fclose(f);
  return kib < 0 ? -1 : int64_t(kib) * 1024;
}

bool CreateEmpty(const char* path) {
  int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

void Pump() {
  if (gPump) gPump(gPumpContext);
}

void SetPump(ResonaPump pump, void* context) {
  gPump = pump;
  gPumpContext = context;
}

namespace {

int32_t Render(const RenderRequest& r, MixFile& file) {
  if (!r.lstPath || !r.wavPath || !r.line || !r.lines || !r.baseNote || !r.currentNote ||
      !r.instrument || !r.lfoTable)
    return kInternalError;

  // 1. Song constants.
  const std::string sampleDirectory = r.sampleDirectory ? r.sampleDirectory : "";
  *r.baseNote = 64;
  *r.currentNote = 64;
  r.instrument[0] = '\0';
  if (r.rate < 1000 || r.rate > 384000) return kIllegalOutputFormat;
  SongFormat format;
  // 8 and 16 as asked and any other width but the wide ones as 16; 32 asks for float.
  format.bits = r.bits == 8 || r.bits == 24 || r.bits == kFloatBits ? r.bits : 16;
  format.channels = r.channels == 1 ? 1 : 2;
  format.rate = r.rate;
  format.gain = float(r.gain * 0.00390625);
  format.samplesPerMs = float(r.rate) / 1000.0f;
  format.frameBytes = format.channels * format.SampleBytes();
  format.lfoTable = r.lfoTable;
  format.maxBufferSamples = r.maxBufferSamples;
  const int64_t maxData = r.maxDataBytes / format.frameBytes * format.frameBytes;
  Pump();

  // 2. Counting pass.
  *r.lines = 0;
  const int32_t total = CountLines(r.lstPath);
  if (total < 0) return kCantOpenList;
  *r.lines = total;

  // The driver keeps its own count of the lines it consumed. The caller cancels by pushing
  // `line` up to `lines`; reaching `lines` by reading the last line is the natural end and not a
  // cancel, so that a list missing its closing lines still gets its status.
  //
  // `line` is the driver's line counter as the single-threaded render keeps it in the caller's
  // field. With mixing threads the field shows the slowest thread's line instead (and the
  // display fields what that thread is at): what the caller writes there is taken over.
  int32_t consumed = 0;
  int32_t line = *r.line, published = *r.line;
  std::unique_ptr<MixCrew> crew;
  MixCrew::Display current;
  auto show = [&](const MixCrew::Display& d) {
    std::memcpy(r.instrument, d.instrument, sizeof d.instrument);
    *r.baseNote = d.baseNote;
    *r.currentNote = d.currentNote;
  };
  auto sync = [&] {
    if (*r.line != published) line = *r.line;
  };
  auto publish = [&] {
    int32_t shown = line;
    if (crew) {
      MixCrew::Display d;
      shown = std::min(line, crew->SlowestLine(line, d));
      show(shown < line ? d : current);
    }
    *r.line = published = shown;
  };
  auto cancelled = [&] {
    sync();
    return line >= *r.lines && !(consumed == total && line == consumed);
  };

  // 3. Duration.
  TextReader reader;
  if (!reader.Open(r.lstPath)) return kCantOpenList;
  int32_t duration = 0;
  const bool haveDuration = reader.ReadInt(duration);
  line = 1;
  publish();
  consumed = 1;
  Pump();
  if (!haveDuration || duration < 1) return kIllegalDuration;
  const int64_t silenceBytes = FramesForMs(duration, format.samplesPerMs) * format.frameBytes;
  if (silenceBytes > maxData) return kSongTooLong;

  // 4.-5. Output file with an empty header.
  if (!CreateEmpty(r.wavPath)) return kCantCreateOutput;
  WriteSongHeader(r.wavPath, format.bits, format.rate, format.channels);
  const uint8_t silence = format.bits == 8 ? 128 : 0;
  if (!file.Open(r.wavPath, silence, kWaveHeaderSize + maxData)) return kCantCreateOutput;
  file.Seek(kWaveHeaderSize);
  // The mix in memory stays resident until the file gets it, so a song that would take more
  // than half of what the system has free is mixed in its file, as one beyond the budget is.
  const int64_t available = silenceBytes <= r.memoryBytes ? AvailableMemory() : -1;
  if (silenceBytes <= r.memoryBytes && (available < 0 || silenceBytes <= available / 2))
    file.HoldInMemory();

  // 6. Silence for the whole song.
  Synth synth(format, file, sampleDirectory);
  uint8_t* block = synth.BlockBuffer();
  const int32_t sampleBytes = format.SampleBytes();
  const int64_t silenceSamples = silenceBytes / sampleBytes;
  std::memset(block, silence, size_t(std::min<int64_t>(silenceSamples, kSilenceBlockSamples)) * size_t(sampleBytes));
  for (int64_t remaining = silenceSamples; remaining > 0 && !cancelled();) {
    Pump();
    const int64_t samples = std::min<int64_t>(remaining, kSilenceBlockSamples);
    if (!file.WriteAll(block, samples * sampleBytes)) return kDiskFull;
    remaining -= samples;
  }

  // 7. Header for the silence; the file stays open for the parse.
  if (file.InMemory()) {
    WriteSongHeader(r.wavPath, format.bits, format.rate, format.channels);
  } else {
    file.Close();
    WriteSongHeader(r.wavPath, format.bits, format.rate, format.channels);
    if (!file.Open(r.wavPath, silence, kWaveHeaderSize + maxData)) return kCantCreateOutput;
  }

  // 8. Parse and mix. Each non-blank line read counts, then the host is pumped.
  const int64_t mixed = file.Size() - kWaveHeaderSize;
  const int threads = int(std::min<int64_t>(r.threads, mixed / format.frameBytes));
  if (threads > 1 && file.InMemory() && !cancelled()) {
    try {
      crew = std::make_unique<MixCrew>(format, file, kWaveHeaderSize, mixed, threads);
    } catch (const std::exception&) {
      crew.reset();  // no threads to be had: the caller's thread mixes alone
    }
  }
  // The song's pages are made ready in one go: by the threads, each for its range, or here.
  if (!crew && file.InMemory() && !cancelled()) file.Prefault();
  // Whatever ends the parse, the threads finish what was posted (on an exception, when the crew
  // goes), and the fields are as one thread leaves them.
  auto finishCrew = [&] {
    if (!crew) return;
    crew->Finish([&] {
      sync();
      publish();
    });
    crew.reset();
    sync();
    *r.line = published = line;
    show(current);
  };
  std::string text;
  auto take = [&] {
    sync();
    ++line;
    ++consumed;
    publish();
    Pump();
  };
  // Blank lines are never items: they are skipped inside blocks whether or not a cancel came.
  auto nextInBlock = [&] {
    while (reader.ReadLine(text))
      if (!IsBlankLine(text)) {
        take();
        return true;
      }
    return false;
  };
  bool firstInstrument = true;
  bool firstNote = true;
  int32_t note = 64;
  // The parse, as a function: a status ends it wherever it arises.
  const int32_t parsed = [&]() -> int32_t {
    for (;;) {
      if (!reader.ReadLine(text) || cancelled()) break;
      if (IsBlankLine(text)) continue;
      take();
      if (text[0] != '{') return kBraceExpected;

      if (!nextInBlock()) return kUnexpectedEnd;
      int32_t status = synth.ReadInstrument(text, firstInstrument);
      if (status != kOk) return status;
      firstInstrument = false;
      const InstrumentLine& inst = synth.CurrentInstrument().line;
      const size_t nameLength = std::min<size_t>(inst.sampleName.size(), 11);
      std::memset(current.instrument, 0, sizeof current.instrument);
      std::memcpy(current.instrument, inst.sampleName.data(), nameLength);
      current.baseNote = inst.baseNote;
      if (!crew) {
        std::memcpy(r.instrument, inst.sampleName.data(), nameLength);
        r.instrument[nameLength] = '\0';
        *r.baseNote = inst.baseNote;
      }
      if ((status = synth.LoadSample()) != kOk) return status;

      bool backToMain = false;
      while (!backToMain) {
        if (!nextInBlock()) return kUnexpectedEnd;
        if (text[0] == '}') break;
        if (text[0] != '[') return kBracketExpected;

        if (!nextInBlock()) return kUnexpectedEnd;
        if ((status = ParseNoteLine(text, note, firstNote)) != kOk) return status;
        firstNote = false;
        current.currentNote = note;
        if (!crew) *r.currentNote = note;
        if ((status = synth.PrepareNote(note)) != kOk) return status;
        if (crew) crew->PostNote(synth.CurrentInstrument(), synth.CurrentNote(), line, current);

        for (;;) {
          if (!nextInBlock()) return kUnexpectedEnd;
          if (text[0] == ']') {
            backToMain = cancelled();
            break;
          }
          if (crew) {
            Event e;
            if ((status = Synth::CheckEvent(text, e)) != kOk) return status;
            crew->PostEvent(e, line, current);
          } else if ((status = synth.ExecuteEvent(text)) != kOk) {
            return status;
          }
          if (file.WriteFailed()) return kDiskFull;
          if (cancelled()) {
            backToMain = true;
            break;
          }
        }
      }
    }
    return kOk;
  }();
  finishCrew();
  if (file.WriteFailed()) return kDiskFull;  // a thread found no room on disk
  if (parsed != kOk) return parsed;

  // 9. Finish.
  reader.Close();
  if (!file.Close()) return kDiskFull;
  synth.ReleaseMemory();
  WriteSongHeader(r.wavPath, format.bits, format.rate, format.channels);
  return kOk;
}

}  // namespace

int32_t RenderSong(const RenderRequest& r) {
  // Whatever ends the render, what was mixed in memory reaches the file; a flush that fails
  // is the full disk the streamed form would have met while mixing.
  MixFile file;
  int32_t status;
  try {
    status = Render(r, file);
  } catch (...) {
    file.Close();
    throw;
  }
  if (!file.Close()) return kDiskFull;
  return status;
}

}  // namespace resona
