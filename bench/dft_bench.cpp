// The DFT library on a folder of real samples: size ratio and speed of both conversions, each
// round trip checked byte for byte, with gzip -9 over the same files as the reference.
//   dft_bench [WAV_DIR]      (default: the program directory's WAV folder)
#include "dft/convert.h"
#include "platform/library.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<char> Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// The size gzip -9 gives the file.
uint64_t GzipSize(const fs::path& path) {
  const std::string command = "gzip -9 -c '" + path.string() + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return 0;
  uint64_t size = 0;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) size += n;
  ::pclose(pipe);
  return size;
}

bool IsWav(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
  return extension == ".wav";
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::path(platform::ExecutableDirectory()) / "WAV";
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error))
    if (entry.is_regular_file() && IsWav(entry.path())) files.push_back(entry.path());
  if (files.empty()) {
    std::fprintf(stderr, "dft_bench: no WAV files in %s\n", dir.c_str());
    return 1;
  }
  std::sort(files.begin(), files.end());
  const fs::path scratch = fs::temp_directory_path() / ("dft_bench." + std::to_string(::getpid()));
  fs::create_directories(scratch);
  const std::string dft = (scratch / "sample.dft").string(), back = (scratch / "back.wav").string();
  uint64_t wavBytes = 0, dftBytes = 0, gzipBytes = 0, refused = 0, mismatches = 0;
  double encodeSeconds = 0, decodeSeconds = 0, worst = 0;
  using Clock = std::chrono::steady_clock;
  for (const fs::path& file : files) {
    const auto t0 = Clock::now();
    const int32_t encoded = dft::WavFileToDft(file.c_str(), dft.c_str());
    const auto t1 = Clock::now();
    if (encoded != 0) {
      ++refused;
      continue;
    }
    const int32_t decoded = dft::DftFileToWav(dft.c_str(), back.c_str());
    const auto t2 = Clock::now();
    encodeSeconds += std::chrono::duration<double>(t1 - t0).count();
    decodeSeconds += std::chrono::duration<double>(t2 - t1).count();
    if (decoded != 0 || Read(file) != Read(back)) ++mismatches;
    const uint64_t size = fs::file_size(file), packed = fs::file_size(dft);
    wavBytes += size;
    dftBytes += packed;
    worst = std::max(worst, double(packed) / double(size));
    gzipBytes += GzipSize(file);
  }
  fs::remove_all(scratch);
  const double mb = double(wavBytes) / 1e6;
  std::printf("%zu WAV files, %.1f MB (%llu refused, %llu round trips not byte-identical)\n",
              files.size(), mb, (unsigned long long)refused, (unsigned long long)mismatches);
  std::printf("DFT size:  %.3f of the WAV size (worst file %.3f)\n", double(dftBytes) / double(wavBytes), worst);
  std::printf("gzip -9:   %.3f of the WAV size (reference)\n", double(gzipBytes) / double(wavBytes));
  std::printf("WAV->DFT:  %.1f MB/s   DFT->WAV: %.1f MB/s\n", mb / encodeSeconds, mb / decodeSeconds);
  return mismatches == 0 ? 0 : 1;
}
