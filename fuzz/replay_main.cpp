// Replays inputs through a harness without libFuzzer: each argument is a file or a directory of
// files. A crash or sanitizer report fails the run; the slowest input is reported.
#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p = argv[i];
    if (std::filesystem::is_directory(p)) {
      for (const auto& e : std::filesystem::directory_iterator(p))
        if (e.is_regular_file()) inputs.push_back(e.path());
    } else if (std::filesystem::exists(p)) {
      inputs.push_back(p);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  double slowest = 0;
  std::string slowestName;
  for (const auto& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), {});
    auto start = std::chrono::steady_clock::now();
    LLVMFuzzerTestOneInput(data.data(), data.size());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > slowest) {
      slowest = seconds;
      slowestName = path.filename().string();
    }
  }
  std::printf("replayed %zu inputs; slowest %s in %.3f s\n", inputs.size(), slowestName.c_str(), slowest);
  return inputs.empty() ? 1 : 0;
}
