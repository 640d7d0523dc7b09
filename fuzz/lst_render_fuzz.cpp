// The song renderer on arbitrary song lists, against a tiny fixed sample set. The first byte
// chooses the output format; the rest is the list. The render is bounded: 256 KiB of output
// data and sample buffers of 64 Ki samples.
#include "harness.h"
#include "resona/render.h"
#include "resona/wavefile.h"
#include "tonemill/files/wavwriter.h"
#include "tonemill/render/wavetables.h"

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void WriteSample(const std::string& name, const tonemill::AudioFormat& format, int frames) {
  std::vector<int32_t> samples(size_t(frames * format.channels));
  for (size_t i = 0; i < samples.size(); ++i) {
    const double v = std::sin(double(i) * 0.05) * (format.bits == 8 ? 100 : 20000);
    samples[i] = format.bits == 8 ? 128 + int(v) : int16_t(v);
  }
  const std::vector<uint8_t> b =
      tonemill::CanonicalWavFile(format, tonemill::EncodePcm(format, samples));
  fuzz::ScratchFile(name, b.data(), b.size());
}

const std::string& SampleDirectory() {
  static const std::string dir = [] {
    WriteSample("A.WAV", {44100, 16, 1}, 400);
    WriteSample("B.WAV", {22050, 8, 2}, 300);
    WriteSample("C.WAV", {11025, 16, 2}, 200);
    return fuzz::ScratchDirectory();
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1 << 14)) return 0;
  static const tonemill::WaveTables tables = tonemill::BuildWaveTables();
  static const int rates[] = {11025, 22050, 44100};
  const std::string lst = fuzz::ScratchFile("song.lst", data + 1, size - 1);
  const std::string wav = fuzz::ScratchDirectory() + "song.wav";
  int32_t line = 0, lines = 1, baseNote = 0, currentNote = 0;
  char instrument[256];
  resona::RenderRequest r;
  r.lstPath = lst.c_str();
  r.wavPath = wav.c_str();
  r.sampleDirectory = SampleDirectory().c_str();
  r.bits = data[0] & 1 ? 8 : 16;
  r.channels = data[0] & 2 ? 1 : 2;
  r.rate = rates[(data[0] >> 2) % 3];
  r.line = &line;
  r.lines = &lines;
  r.baseNote = &baseNote;
  r.currentNote = &currentNote;
  r.instrument = instrument;
  r.lfoTable = tables.cosine.data();
  r.maxDataBytes = 1 << 18;
  r.maxBufferSamples = 1 << 16;
  const int32_t status = resona::RenderSong(r);
  if (status == 0) {
    // A finished render leaves a header that describes the file exactly.
    struct stat st {};
    if (::stat(wav.c_str(), &st) != 0) fuzz::Fail("no output after success");
    const resona::WaveInfo info = resona::ReadWaveInfo(wav.c_str());
    if (!info.valid || info.dataOffset != 44 || int64_t(info.dataSize) != st.st_size - 44)
      fuzz::Fail("header does not match the file");
  }
  ::unlink(wav.c_str());
  return 0;
}
