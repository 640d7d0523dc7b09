#include "process.h"

#include "platform/library.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {
namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& outPath,
            const std::string& errPath) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv = Argv(args);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

}  // namespace

std::string TonemillPath() { return platform::ExecutableDirectory() + "tonemill"; }

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

ProcessResult RunProcess(const std::vector<std::string>& args) {
  char outTemplate[] = "/tmp/tonemill-out-XXXXXX";
  char errTemplate[] = "/tmp/tonemill-err-XXXXXX";
  ::close(::mkstemp(outTemplate));
  ::close(::mkstemp(errTemplate));
  ProcessResult r;
  r.exitCode = Wait(Spawn(args, outTemplate, errTemplate));
  r.out = Slurp(outTemplate);
  r.err = Slurp(errTemplate);
  ::unlink(outTemplate);
  ::unlink(errTemplate);
  return r;
}

pid_t Start(const std::vector<std::string>& args, const std::string& errPath) {
  return Spawn(args, "/dev/null", errPath);
}

}  // namespace testing_support
