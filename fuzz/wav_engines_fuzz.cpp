// The WAV engines on any file the header reader accepts: the statistics scan, effects over a
// range and a channel, the editor's operations and the mixer. Every output must be a whole WAV
// file whose header states what it holds.
#include "harness.h"
#include "tonemill/files/fastfile.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/wave/editorops.h"
#include "tonemill/wave/fade.h"
#include "tonemill/wave/gatedcut.h"
#include "tonemill/wave/lohi.h"
#include "tonemill/wave/wavmix.h"
#include "tonemill/wave/wavscan.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// The output is a canonical WAV file whose header states its sizes (an empty data chunk
// included, which the header reader itself calls truncated), and its data is at most `limit`
// bytes.
void CheckOutput(const std::string& path, int64_t limit) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) fuzz::Fail("output missing");
  uint8_t header[44] = {};
  const size_t got = std::fread(header, 1, sizeof header, f);
  std::fclose(f);
  const int64_t size = int64_t(std::filesystem::file_size(path));
  if (got != 44 || std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 36, "data", 4) != 0)
    fuzz::Fail("output header");
  const int64_t data = Le32(header + 40);
  if (size != 44 + data || Le32(header + 4) != uint32_t(size - 8) || size % 2 != 0) fuzz::Fail("output size");
  if (data > limit) fuzz::Fail("output longer than allowed");
  if (data > 0 && !tonemill::TWAVheader(path).Valid) fuzz::Fail("output unreadable");
}

void RunEngines(const uint8_t* data, size_t size, const std::string& in) {
  const std::string out = fuzz::ScratchDirectory() + "output.wav";
  const tonemill::TWAVheader h(in);
  if (!h.Valid || (h.Channels != 1 && h.Channels != 2) || (h.BitsPerSample != 8 && h.BitsPerSample != 16) ||
      h.SampleRate <= 0 || h.DataSize < 0)
    return;
  const int64_t frames = h.DataSize / (h.BitsPerSample / 8 * h.Channels);
  // A range and a channel from the data itself.
  const uint32_t seed = size >= 4 ? Le32(data + size - 4) : 0;
  tonemill::RangeRequest range{in, out, int64_t(seed % 97), int64_t(seed % 97) + int64_t(seed >> 16) % (frames + 3),
                               (seed & 1) != 0, (seed & 2) != 0};
  const int64_t limit = h.DataSize + 1;
  tonemill::Progress progress;
  tonemill::FadeRange(range, {1.5, -0.5}, progress);
  CheckOutput(out, limit);
  tonemill::LowHighRange(range, {double(seed % 30000), 1.0 + seed % 3, (seed & 4) != 0}, progress);
  CheckOutput(out, limit);
  tonemill::GatedCutRange(range, {int32_t(seed % 200), (seed & 8) != 0}, progress);
  CheckOutput(out, limit);
  tonemill::CutRange(range, progress);
  CheckOutput(out, limit);
  tonemill::MaximizeRange(range, progress);
  CheckOutput(out, limit);
  tonemill::ReverseRange(range, progress);
  CheckOutput(out, limit);
  if (h.SampleRate == 11025 || h.SampleRate == 22050 || h.SampleRate == 44100) {
    const tonemill::AudioFormat format{(seed & 16) ? 11025 : 44100, (seed & 32) ? 8 : 16, (seed & 64) ? 1 : 2};
    tonemill::MixWavFiles({{in, 0.5, -2}, {in, 1, 1}}, out, format, progress);
    // At most four output frames per source frame, and a pad byte.
    CheckOutput(out, (frames + 1) * 4 * format.FrameBytes() + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const std::string in = fuzz::ScratchFile("input.wav", data, size);
  tonemill::ScanSetup setup;
  tonemill::WavStats stats;
  if (!tonemill::PrepareScan(in, setup, stats)) {
    tonemill::Progress progress;
    const tonemill::ScanResult r = tonemill::ScanWav(setup, stats, progress);
    if (r.scannedBytes > setup.dataSize || progress.done > progress.total) fuzz::Fail("scan counted too far");
    tonemill::FiguresOf(setup, stats, r.scannedBytes);
  }
  try {
    RunEngines(data, size, in);
  } catch (const tonemill::EInOutError&) {
    // Work beyond the 32-bit counters is refused this way; the command line reports it.
  }
  return 0;
}
