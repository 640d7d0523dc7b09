// Renders a generated ten-minute dense song with `tonemill lst2wav` (44100 Hz, 16-bit, stereo)
// and reports wall time, times real time and peak memory.
//   render_bench [--minutes N] [--density F] [--threads N] [--keep DIR]
#include "dense_song.h"
#include "platform/library.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  std::string dir, threads = "1";
  bench::DenseSongShape shape;
  double density = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--keep") == 0) dir = argv[i + 1];
    if (std::strcmp(argv[i], "--minutes") == 0) {
      // Same density: strikes grow with the length.
      const int minutes = std::max(1, std::atoi(argv[i + 1]));
      shape.durationMs = minutes * 60000;
      shape.strikes = minutes * 2000;
    }
    if (std::strcmp(argv[i], "--density") == 0) density = std::max(0.1, std::atof(argv[i + 1]));
    if (std::strcmp(argv[i], "--threads") == 0) threads = argv[i + 1];
  }
  // More strikes and more of them at once: 2.6 gives about 64 voices on average.
  shape.strikes = int(shape.strikes * density);
  shape.lanes = int(shape.lanes * density);
  const bool keep = !dir.empty();
  if (!keep) dir = std::filesystem::temp_directory_path() / ("tonemill-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  dir += "/";

  bench::DenseSongStats stats = bench::WriteDenseSong(shape, dir, dir + "dense.lst");
  std::printf("song: %d s, %d instruments, %d note blocks, %d strikes (%d with bend and vibrato)\n",
              shape.durationMs / 1000, stats.instruments, stats.noteBlocks, stats.strikes,
              stats.modulatedStrikes);
  std::printf("voices sounding: %.1f on average, %d at most\n", stats.averageVoices, stats.maxVoices);

  const std::string tonemill = platform::ExecutableDirectory() + "tonemill";
  const std::string lst = dir + "dense.lst", wav = dir + "dense.wav";
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execl(tonemill.c_str(), tonemill.c_str(), "lst2wav", lst.c_str(), "-o", wav.c_str(),
          "--wav-dir", dir.c_str(), "--threads", threads.c_str(), "--force", "--quiet",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "render_bench: lst2wav failed\n");
    return 1;
  }
  const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::printf("lst2wav (%s threads): %.2f s wall, %.1f x real time, %.2f s processor, peak memory %.1f MiB\n",
              threads.c_str(), seconds, shape.durationMs / 1000.0 / seconds, cpu,
              usage.ru_maxrss / 1024.0);
  std::printf("mixing: %.0f million channel-samples per second of wall time\n",
              stats.averageVoices * 44100 * 2 * shape.durationMs / 1000.0 / seconds / 1e6);
  if (!keep) std::filesystem::remove_all(dir);
  return 0;
}
