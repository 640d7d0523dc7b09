// Renders song lists through the driver with the program's tables, recording the progress
// fields, optionally cancelling from the pump the way the program does.
#pragma once

#include "resona/render.h"
#include "song_builder.h"
#include "tests/support/testfiles.h"

#include <functional>
#include <string>

namespace testing_support {

struct RenderRun {
  int32_t status = 0;
  int32_t line = 0;
  int32_t lines = 0;
  int32_t baseNote = 0;
  int32_t currentNote = 0;
  std::string instrument;
  int pumps = 0;
};

struct RenderFormat {
  int32_t bits = 16;
  int32_t channels = 2;
  int32_t rate = 44100;
  int32_t gain = 256;
};

class SongFixture {
 public:
  // Called at every pump with the progress fields; may write `line` to cancel.
  using PumpHook = std::function<void(int pumpIndex, int32_t& line, int32_t& lines)>;

  RenderRun Render(const std::string& lstText, RenderFormat format = {}, PumpHook hook = {},
                   int64_t maxDataBytes = resona::kMaxDataBytes);
  RenderRun RenderFile(const std::string& lstPath, const std::string& wavPath, RenderFormat format,
                       PumpHook hook = {}, int64_t maxDataBytes = resona::kMaxDataBytes);

  // The memory the mix may take (0: mixed in the file).
  int64_t memoryBytes = resona::kDefaultMemoryBytes;
  int32_t threads = 1;
  TempDir dir;
  std::string lst = dir.File("song.lst");
  std::string wav = dir.File("song.wav");
  std::string samples = dir.Dir();
};

// A sample file in the fixture's directory, named NAME.WAV.
void WriteSample(const SongFixture& f, const std::string& name, const tonemill::AudioFormat& format,
                 const std::vector<int32_t>& interleaved);

// The two samples the mixer's tests play: S, a 44.1 kHz mono shot of full-range steps, and L,
// a 22.05 kHz stereo sample (a sine left, steps right) long enough to loop.
void WriteShotAndLoop(const SongFixture& f);

// An instrument on L looped through its middle: vibrato (sensitivity 60 at 5 Hz), a decay to
// half and a falling sustain, at the level, attack, decay and release given.
Inst LoopedInstrument(int volume, int attackMs, int decayMs, const std::string& releaseSlope);

}  // namespace testing_support
