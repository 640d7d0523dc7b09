// The song renderer on arbitrary song lists, against a tiny fixed sample set. The first byte
// chooses the output format; the rest is the list. The render is bounded: 256 KiB of output
// data and sample buffers of 64 Ki samples.
#include "harness.h"
#include "resona/render.h"
#include "resona/wavefile.h"
#include "tonemill/render/wavetables.h"

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void WriteSample(const std::string& name, int bits, int channels, int rate, int frames) {
  std::vector<uint8_t> b;
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
  };
  const uint32_t bytes = uint32_t(frames * channels * bits / 8);
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put(bytes + 36, 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);
  put(uint32_t(channels), 2);
  put(uint32_t(rate), 4);
  put(uint32_t(rate * channels * bits / 8), 4);
  put(uint32_t(channels * bits / 8), 2);
  put(uint32_t(bits), 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put(bytes, 4);
  for (int f = 0; f < frames * channels; ++f) {
    const double v = std::sin(f * 0.05) * (bits == 8 ? 100 : 20000);
    if (bits == 8)
      b.push_back(uint8_t(128 + int(v)));
    else
      put(uint32_t(int16_t(v)), 2);
  }
  fuzz::ScratchFile(name, b.data(), b.size());
}

const std::string& SampleDirectory() {
  static const std::string dir = [] {
    WriteSample("A.WAV", 16, 1, 44100, 400);
    WriteSample("B.WAV", 8, 2, 22050, 300);
    WriteSample("C.WAV", 16, 2, 11025, 200);
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
