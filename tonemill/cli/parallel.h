// Spreading many songs over processes and machines: one process per song, a few at a time, and
// shards of a sorted list for the tasks of a cluster's array job.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tonemill::cli {

// "K/N" with 1 <= K <= N.
bool ParseShard(const std::string& text, int& k, int& n);

// The files at the positions i (0-based) of the byte-wise sorted list with i mod n = k - 1.
std::vector<std::string> ShardOf(std::vector<std::string> files, int k, int n);

// Runs work(i) for i in 0..count-1, each in a process of its own, at most `jobs` at once, and
// returns their exit codes. After an interrupt no new process starts and the running ones are
// told to cancel. `finished(done, count)` is called in this process as each one ends.
std::vector<int> RunInProcesses(size_t count, int jobs, const std::function<int(size_t)>& work,
                                const std::function<void(size_t, size_t)>& finished);

// The number of processors online, at least 1.
int ProcessorCount();

}  // namespace tonemill::cli
