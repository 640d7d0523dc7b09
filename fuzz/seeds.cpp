// Writes the seed corpora: small valid inputs of each kind, one folder per harness.
//   fuzz_seeds DIR
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& b, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

Bytes Wav(int bits, int channels, int frames, uint32_t fmtSize, const Bytes& extraChunk) {
  Bytes b;
  const uint32_t bytes = uint32_t(frames * channels * bits / 8);
  PutText(b, "RIFF");
  Put(b, bytes + 36 + uint32_t(extraChunk.size()) + fmtSize - 16, 4);
  PutText(b, "WAVEfmt ");
  Put(b, fmtSize, 4);
  Put(b, 1, 2);
  Put(b, uint32_t(channels), 2);
  Put(b, 22050, 4);
  Put(b, uint32_t(22050 * channels * bits / 8), 4);
  Put(b, uint32_t(channels * bits / 8), 2);
  Put(b, uint32_t(bits), 2);
  for (uint32_t i = 16; i < fmtSize; ++i) b.push_back(0);
  b.insert(b.end(), extraChunk.begin(), extraChunk.end());
  PutText(b, "data");
  Put(b, bytes, 4);
  for (uint32_t i = 0; i < bytes; ++i) b.push_back(uint8_t(i * 37));
  return b;
}

void Write(const std::filesystem::path& dir, const std::string& name, const Bytes& b) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                     std::streamsize(b.size()));
}

Bytes Song(uint8_t format, const std::string& text) {
  Bytes b{format};
  PutText(b, text);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path root = argv[1];

  const std::filesystem::path wave = root / "wave_info";
  Bytes list;
  PutText(list, "LIST");
  Put(list, 3, 4);
  PutText(list, "abc");
  list.push_back(0);
  Write(wave, "mono16.wav", Wav(16, 1, 20, 16, {}));
  Write(wave, "stereo8.wav", Wav(8, 2, 15, 16, {}));
  Write(wave, "list-chunk.wav", Wav(16, 2, 9, 16, list));
  Write(wave, "fmt18.wav", Wav(8, 1, 7, 18, {}));

  const std::filesystem::path lst = root / "lst_render";
  const std::string a = "A 60 64 64 64 10 20 30 2 50 6 1.00 0.60 -0.50 -4.00 3 5 0 399 100 299 ";
  const std::string b = "B 57 40 20 -30 0 0 0 12 0 0 0.80 0.80 0.00 -1.00 0 0 10 250 -1 -1 ";
  const std::string c = "C 72 64 100 64 0 0 -20 2 100 100 2.00 0.50 1.00 0.50 0 2 0 199 -1 -1 ";
  Write(lst, "one-note.txt", Song(0, "50\r\n{\r\n" + a + "\r\n[\r\n60\r\n0 ON 100\r\n20 OFF 64\r\n]\r\n}\r\n"));
  Write(lst, "controllers.txt",
        Song(5, "80\r\n{\r\n" + a + "\r\n[\r\n64\r\n0 ON 90\r\n5 PRS 80\r\n10 VOL 100\r\n12 PAN 10\r\n"
                "15 EXP 60\r\n20 BND 4000\r\n25 MOD 64\r\n60 OFF 30\r\n70 ON 40\r\n75 OFF 64\r\n]\r\n}\r\n"));
  Write(lst, "three-instruments.txt",
        Song(10, "40\r\n{\r\n" + a + "\r\n[\r\n48\r\n0 ON 127\r\n30 OFF 64\r\n]\r\n[\r\n72\r\n5 ON 60\r\n"
                 "6 OFF 64\r\n]\r\n}\r\n{\r\n" + b + "\r\n[\r\n57\r\n0 ON 100\r\n10 BND -8192\r\n35 OFF 0\r\n]\r\n}\r\n"
                 "{\r\n" + c + "\r\n[\r\n90\r\n1 ON 100\r\n2 MOD 127\r\n39 OFF 127\r\n]\r\n}\r\n"));
  Write(lst, "silence.txt", Song(7, "25\r\n"));
  Write(lst, "errors.txt", Song(3, "30\r\n{\r\n" + b + "\r\n[\r\n300\r\n]\r\n}\r\n"));
  return 0;
}
