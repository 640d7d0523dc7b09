// Spreading many songs over processes and machines: one process per song, a few at a time, and
// shards of a sorted list for the tasks of a cluster's array job.
#pragma once

#include "tonemill/files/progress.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tonemill::cli {

// "K/N" with 1 <= K <= N.
bool ParseShard(const std::string& text, int& k, int& n);

// The files at the positions i (0-based) of the byte-wise sorted list with i mod n = k - 1.
std::vector<std::string> ShardOf(std::vector<std::string> files, int k, int n);

// How a worker process ended.
struct WorkerEnd {
  bool started = false;  // false: never started (a signal came first, or fork failed)
  int exitCode = -1;     // when it exited
  int signal = 0;        // when a signal ended it
};

// Runs work(i) for i in 0..count-1, each in a process of its own, at most `jobs` at once.
// SIGINT, SIGTERM and SIGHUP are passed on to the running workers, which finish as after a
// Cancel; no new worker starts then, and the call returns once all have ended. A worker also
// ends when this process dies. `progress` counts the ended workers; `item` names the last.
std::vector<WorkerEnd> RunInProcesses(size_t count, int jobs,
                                      const std::function<int(size_t)>& work,
                                      const std::function<std::string(size_t)>& name,
                                      Progress& progress, const std::function<void()>& changed);

// The number of processors online, at least 1.
int ProcessorCount();

}  // namespace tonemill::cli
