#include "parallel.h"

#include "options.h"
#include "terminal.h"
#include "tonemill/files/numbers.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace tonemill::cli {

bool ParseShard(const std::string& text, int& k, int& n) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  std::optional<int> a = ParseInteger(text.substr(0, slash)), b = ParseInteger(text.substr(slash + 1));
  if (!a || !b || *a < 1 || *a > *b) return false;
  k = *a;
  n = *b;
  return true;
}

std::vector<std::string> ShardOf(std::vector<std::string> files, int k, int n) {
  std::sort(files.begin(), files.end());  // std::string compares bytes
  std::vector<std::string> shard;
  for (size_t i = 0; i < files.size(); ++i)
    if (int(i % size_t(n)) == k - 1) shard.push_back(files[i]);
  return shard;
}

int ProcessorCount() {
  long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n < 1 ? 1 : int(n);
}

std::vector<int> RunInProcesses(size_t count, int jobs, const std::function<int(size_t)>& work,
                                const std::function<void(size_t, size_t)>& finished) {
  InstallInterruptHandler();
  std::vector<int> codes(count, kExitCancelled);
  std::map<pid_t, size_t> running;
  size_t next = 0, done = 0;
  bool forwarded = false;
  while (next < count || !running.empty()) {
    while (!InterruptRequested() && next < count && running.size() < size_t(std::max(jobs, 1))) {
      std::fflush(nullptr);
      const pid_t pid = ::fork();
      if (pid == 0) {
        const int code = work(next);
        std::fflush(nullptr);
        ::_exit(code);
      }
      if (pid < 0) {
        PrintError("can't start a process: " + std::string(std::strerror(errno)));
        codes[next++] = kExitFailure;
        continue;
      }
      running[pid] = next++;
    }
    if (running.empty()) break;
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
      // Interrupted: the running songs finish as after a Cancel.
      if (errno == EINTR && InterruptRequested() && !forwarded) {
        for (const auto& [child, item] : running) ::kill(child, SIGINT);
        forwarded = true;
      }
      continue;
    }
    auto it = running.find(pid);
    if (it == running.end()) continue;
    codes[it->second] = WIFEXITED(status) ? WEXITSTATUS(status) : kExitFailure;
    running.erase(it);
    finished(++done, count);
  }
  return codes;
}

}  // namespace tonemill::cli
