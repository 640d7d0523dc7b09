// Writes the demo's MIDI song: a format 1 file with a tempo track, a melody on channel 1 (with
// expression swells and a bend), a bass line on channel 2 (program 33) and drums on channel 10.
#include <cstdint>
#include <initializer_list>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Track {
  std::vector<uint8_t> bytes;
  void Delta(uint32_t v) {
    uint8_t g[5];
    int n = 0;
    do {
      g[n++] = uint8_t(v & 0x7F);
      v >>= 7;
    } while (v);
    while (n > 1) bytes.push_back(uint8_t(g[--n] | 0x80));
    bytes.push_back(g[0]);
  }
  void Event(uint32_t delta, std::initializer_list<uint8_t> b) {
    Delta(delta);
    bytes.insert(bytes.end(), b);
  }
};

void Chunk(std::vector<uint8_t>& file, Track t) {
  t.Event(0, {0xFF, 0x2F, 0x00});
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  for (int s = 24; s >= 0; s -= 8) file.push_back(uint8_t(t.bytes.size() >> s));
  file.insert(file.end(), t.bytes.begin(), t.bytes.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_song FILE.mid\n");
    return 2;
  }
  const uint32_t q = 480;  // ticks per quarter note
  Track tempo, melody, bass, drums;
  tempo.Event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 120 beats a minute
  tempo.Event(q * 12, {0xFF, 0x51, 0x03, 0x08, 0x7A, 0x23});  // a little slower at the end

  const uint8_t tune[] = {60, 62, 64, 67, 65, 64, 62, 60, 64, 65, 67, 72, 71, 67, 65, 64};
  melody.Event(0, {0xB0, 7, 100});
  for (size_t i = 0; i < sizeof tune; ++i) {
    melody.Event(i == 0 ? 0 : q / 8, {0x90, tune[i], uint8_t(80 + i % 4 * 10)});
    melody.Event(q / 4, {0xB0, 11, 70});
    melody.Event(q / 4, {0xB0, 11, 110});
    if (i == sizeof tune - 1) melody.Event(0, {0xE0, 0x00, 0x48});  // bend up at the end
    melody.Event(q * 3 / 8, {0x80, tune[i], 64});
  }

  bass.Event(0, {0xC1, 33});
  const uint8_t roots[] = {48, 43, 45, 41};
  for (int bar = 0; bar < 4; ++bar)
    for (int beat = 0; beat < 4; ++beat) {
      bass.Event(beat == 0 && bar == 0 ? 0 : q / 4, {0x91, roots[bar], 96});
      bass.Event(q * 3 / 4, {0x81, roots[bar], 40});
    }

  for (int beat = 0; beat < 16; ++beat) {
    drums.Event(beat == 0 ? 0 : q / 2, {0x99, uint8_t(beat % 2 ? 64 : 48), uint8_t(beat % 4 ? 80 : 120)});
    drums.Event(q / 2, {0x89, uint8_t(beat % 2 ? 64 : 48), 64});
  }

  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 4, uint8_t(q >> 8), uint8_t(q)};
  Chunk(file, tempo);
  Chunk(file, melody);
  Chunk(file, bass);
  Chunk(file, drums);
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) return 1;
  const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && ok ? 0 : 1;
}
