#include "testfiles.h"

#include "tonemill/files/wavwriter.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace testing_support {

TempDir::TempDir() {
  static std::mt19937_64 rng(std::random_device{}());
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("tonemill-test-" + std::to_string(rng()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

void WriteWav(const std::string& path, const tonemill::AudioFormat& format,
              const std::vector<int32_t>& interleaved) {
  tonemill::Problem problem;
  if (!tonemill::WriteCanonicalWavFile(path, format, tonemill::EncodePcm(format, interleaved),
                                       &problem))
    throw std::runtime_error(problem.Text());
}

WavData ReadWav(const std::string& path) {
  std::vector<uint8_t> b = ReadBytes(path);
  WavData w;
  if (b.size() < 44) throw std::runtime_error("short WAV file " + path);
  auto le16 = [&](size_t o) { return uint32_t(b[o] | (b[o + 1] << 8)); };
  auto le32 = [&](size_t o) { return le16(o) | (le16(o + 2) << 16); };
  w.riffSize = le32(4);
  w.channels = int(le16(22));
  w.rate = int(le32(24));
  w.bits = int(le16(34));
  w.dataSize = le32(40);
  for (size_t o = 44; o < b.size();) {
    if (w.bits == 8) {
      w.samples.push_back(b[o]);
      o += 1;
    } else {
      if (o + 1 >= b.size()) break;
      w.samples.push_back(int16_t(le16(o)));
      o += 2;
    }
  }
  return w;
}

}  // namespace testing_support
