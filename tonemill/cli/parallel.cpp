#include "parallel.h"

#include "options.h"
#include "terminal.h"
#include "tonemill/files/numbers.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tonemill::cli {
namespace {

constexpr long kPollNanoseconds = 50'000'000;  // how often the parent looks for ended workers

// In the worker: end with the parent. A parent killed outright (SIGKILL) leaves no worker.
void FollowParent(pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (::getppid() != parent) ::raise(SIGTERM);
}

}  // namespace

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

std::vector<WorkerEnd> RunInProcesses(size_t count, int jobs,
                                      const std::function<int(size_t)>& work,
                                      const std::function<std::string(size_t)>& name,
                                      Progress& progress, const std::function<void()>& changed) {
  InstallInterruptHandler();
  std::vector<WorkerEnd> ends(count);
  std::map<pid_t, size_t> running;
  size_t next = 0;
  int forwarded = 0;
  const pid_t parent = ::getpid();
  progress.Reset(int32_t(count));
  while (next < count || !running.empty()) {
    while (!InterruptRequested() && next < count && running.size() < size_t(std::max(jobs, 1))) {
      std::fflush(nullptr);
      const pid_t pid = ::fork();
      if (pid == 0) {
        FollowParent(parent);
        const int code = work(next);
        std::fflush(nullptr);
        ::_exit(code);
      }
      if (pid < 0) {
        PrintError(name(next) + ": can't start a process: " + std::strerror(errno));
        ends[next++].exitCode = kExitFailure;
        continue;
      }
      ends[next].started = true;
      progress.item = name(next);
      running[pid] = next++;
    }
    // Whatever signal came is passed on once to every worker, which then cancels.
    if (const int signal = InterruptSignal(); signal != 0 && forwarded == 0) {
      for (const auto& [child, item] : running) ::kill(child, signal);
      forwarded = signal;
    }
    if (running.empty()) break;
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, WNOHANG);
    if (pid <= 0) {
      const timespec pause{0, kPollNanoseconds};
      ::nanosleep(&pause, nullptr);  // a signal cuts it short
      continue;
    }
    auto it = running.find(pid);
    if (it == running.end()) continue;
    WorkerEnd& end = ends[it->second];
    if (WIFEXITED(status)) end.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
    running.erase(it);
    ++progress.done;
    changed();
  }
  return ends;
}

}  // namespace tonemill::cli
