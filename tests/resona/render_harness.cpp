#include "render_harness.h"

#include "resona/render.h"
#include "tonemill/render/wavetables.h"

#include <cmath>

namespace testing_support {
namespace {

struct PumpContext {
  SongFixture::PumpHook* hook;
  RenderRun* run;
  int32_t* line;
  int32_t* lines;
};

void Trampoline(void* context) {
  auto* c = static_cast<PumpContext*>(context);
  if (*c->hook) (*c->hook)(c->run->pumps, *c->line, *c->lines);
  ++c->run->pumps;
}

}  // namespace

RenderRun SongFixture::Render(const std::string& lstText, RenderFormat format, PumpHook hook,
                              int64_t maxDataBytes) {
  WriteText(lst, lstText);
  return RenderFile(lst, wav, format, std::move(hook), maxDataBytes);
}

RenderRun SongFixture::RenderFile(const std::string& lstPath, const std::string& wavPath,
                                  RenderFormat format, PumpHook hook, int64_t maxDataBytes) {
  static const tonemill::WaveTables tables = tonemill::BuildWaveTables();
  RenderRun run;
  char instrument[256] = "untouched";
  int32_t line = 0, lines = 1, baseNote = -1, currentNote = -1;
  PumpContext context{&hook, &run, &line, &lines};
  resona::SetPump(Trampoline, &context);
  resona::RenderRequest r;
  r.lstPath = lstPath.c_str();
  r.wavPath = wavPath.c_str();
  r.sampleDirectory = samples.c_str();
  r.bits = format.bits;
  r.channels = format.channels;
  r.rate = format.rate;
  r.gain = format.gain;
  r.line = &line;
  r.lines = &lines;
  r.baseNote = &baseNote;
  r.currentNote = &currentNote;
  r.instrument = instrument;
  r.lfoTable = tables.cosine.data();
  r.maxDataBytes = maxDataBytes;
  r.memoryBytes = memoryBytes;
  r.threads = threads;
  run.status = resona::RenderSong(r);
  resona::SetPump(nullptr, nullptr);
  run.line = line;
  run.lines = lines;
  run.baseNote = baseNote;
  run.currentNote = currentNote;
  run.instrument = instrument;
  return run;
}

void WriteSample(const SongFixture& f, const std::string& name, const tonemill::AudioFormat& format,
                 const std::vector<int32_t>& interleaved) {
  WriteWav(f.dir.File(name + ".WAV"), format, interleaved);
}

void WriteShotAndLoop(const SongFixture& f) {
  std::vector<int32_t> shot(1000), stereo(2 * 4000);
  for (size_t i = 0; i < shot.size(); ++i) shot[i] = int32_t(i * 37 % 60000) - 30000;
  for (size_t i = 0; i < 4000; ++i) {
    stereo[2 * i] = int32_t(30000 * std::sin(double(i) * 0.05));
    stereo[2 * i + 1] = int32_t(i * 53 % 50000) - 25000;
  }
  WriteSample(f, "S", {44100, 16, 1}, shot);
  WriteSample(f, "L", {22050, 16, 2}, stereo);
}

Inst LoopedInstrument(int volume, int attackMs, int decayMs, const std::string& releaseSlope) {
  Inst looped;
  looped.name = "L";
  looped.volume = volume;
  looped.end = 3999;
  looped.loopStart = 1000;
  looped.loopEnd = 2999;
  looped.modSens = 60;
  looped.modRate = 5;
  looped.attackMs = attackMs;
  looped.decayMs = decayMs;
  looped.decayFactor = "0.50";
  looped.sustainSlope = "-0.05";
  looped.releaseSlope = releaseSlope;
  return looped;
}

}  // namespace testing_support
