#include "harness.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fuzz {

const std::string& ScratchDirectory() {
  // Never destroyed: the exit handler that removes the directory still needs the name.
  static const std::string* dir = [] {
    // In memory where the system offers it: harnesses write a file for every input.
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    auto* d = new std::string((base / ("tonemill-fuzz-" + std::to_string(::getpid()))).string() + "/");
    std::filesystem::create_directories(*d);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*dir, ec);
    });
    return d;
  }();
  return *dir;
}

std::string ScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = ScratchDirectory() + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Fail("cannot write the scratch file");
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return path;
}

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz: invariant broken: %s\n", what);
  std::abort();
}

}  // namespace fuzz
