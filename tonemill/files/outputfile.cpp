#include "outputfile.h"

#include "paths.h"
#include "platform/filesystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tonemill {
namespace {

constexpr int kMaxLinkDepth = 40;  // as the kernel's own limit
constexpr size_t kMaxTemporaryStem = 180;  // leaves room for the suffix within 255 bytes
constexpr size_t kMaxHostInName = 32;

// This host's name as temporary names carry it: up to 32 characters, never "/" or "-".
std::string HostTag() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0 || !host[0]) return "host";
  std::string tag(host);
  tag.resize(std::min(tag.size(), kMaxHostInName));
  for (char& c : tag)
    if (c == '/' || c == '-') c = '_';
  return tag;
}

// Removes the temporaries in `directory` named with `prefix` (".NAME.tmp-") that a writer of
// this host left behind: its process is gone and nobody holds the file's lock. A temporary of
// another host, of a live process or of the older naming without a process is left alone.
void RemoveStaleTemporaries(const std::string& directory, const std::string& prefix) {
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (!dir) return;
  const std::string host = HostTag();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    // PID@HOST-XXXXXX
    const std::string rest = name.substr(prefix.size());
    const size_t at = rest.find('@'), dash = rest.rfind('-');
    if (at == std::string::npos || dash == std::string::npos || dash < at) continue;
    if (rest.substr(at + 1, dash - at - 1) != host) continue;
    char* end = nullptr;
    const long pid = std::strtol(rest.c_str(), &end, 10);
    if (end != rest.c_str() + at || pid <= 0) continue;
    if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
    const std::string path = directory + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlink(path.c_str());
    ::close(fd);
  }
  ::closedir(dir);
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

bool SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync
  ::close(fd);
  return ok;
}

// Moves `from` to `to` unless `to` exists; EEXIST when it does.
int RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // A file system without the flag: a hard link also never replaces.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(platform::NativePath(path).c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino};
}

bool SameFile(const std::string& a, const std::string& b) {
  if (SameFullPath(a, b)) return true;
  const std::optional<FileIdentity> ia = IdentityOf(a), ib = IdentityOf(b);
  return ia && ib && *ia == *ib;
}

TargetKind KindOf(const std::string& path) {
  struct stat st {};
  if (::stat(platform::NativePath(path).c_str(), &st) != 0) return TargetKind::Absent;
  return S_ISREG(st.st_mode) ? TargetKind::RegularFile : TargetKind::Other;
}

std::string ResolveOutputPath(const std::string& path) {
  std::string current = platform::NativePath(path);
  for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size() - 1);
    if (n <= 0) return current;
    std::string link(buffer.data(), size_t(n));
    current = link.front() == '/' ? link : DirectoryOf(current) + link;
  }
  return current;
}

std::string AppearedMeanwhileMessage(const std::string& target) {
  return "File " + target + " was created by another program while this one was being "
         "written; it was left as it is and nothing was written";
}

OutputFile::~OutputFile() { Discard(); }

OutputFile::OutputFile(OutputFile&& other) noexcept
    : target_(std::move(other.target_)),
      resolved_(std::move(other.resolved_)),
      temporary_(std::move(other.temporary_)),
      lock_(std::exchange(other.lock_, -1)) {
  other.temporary_.clear();
}

void OutputFile::Unlock() {
  if (lock_ >= 0) ::close(std::exchange(lock_, -1));
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Discard();
    target_ = std::move(other.target_);
    resolved_ = std::move(other.resolved_);
    temporary_ = std::move(other.temporary_);
    lock_ = std::exchange(other.lock_, -1);
    other.temporary_.clear();
  }
  return *this;
}

OutputFile OutputFile::Open(const std::string& target, Problem& problem) {
  OutputFile out;
  out.target_ = target;
  out.resolved_ = ResolveOutputPath(target);
  const std::string name = NameOf(out.resolved_);
  if (name.empty() || KindOf(out.resolved_) == TargetKind::Other) {
    problem = {"Can't write " + target + ": it exists and is not a regular file", target};
    return OutputFile();
  }
  std::string prefix(1, '.');
  prefix.append(name, 0, kMaxTemporaryStem).append(".tmp-");
  RemoveStaleTemporaries(DirectoryOf(out.resolved_), prefix);
  std::string pattern = DirectoryOf(out.resolved_) + prefix + std::to_string(::getpid()) + "@" +
                        HostTag() + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd < 0) {
    problem = {"Can't create file " + target + "!", target, 0, SystemReason(errno)};
    return OutputFile();
  }
  // Held until the commit or the discard: the sign that the file's writer is alive.
  [[maybe_unused]] const int locked = ::flock(fd, LOCK_EX | LOCK_NB);
  out.lock_ = fd;
  out.temporary_ = buffer.data();
  return out;
}

bool OutputFile::Commit(Overwrite overwrite, Problem& problem) {
  if (!IsOpen()) {
    problem = {"Can't create file " + target_ + "!", target_};
    return false;
  }
  auto fail = [&](const std::string& message, int errorNumber) {
    problem = {message, target_, 0, errorNumber ? SystemReason(errorNumber) : ""};
    Discard();
    return false;
  };
  struct stat existing {};
  const bool exists = ::stat(resolved_.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode))
    return fail("Can't write " + target_ + ": it exists and is not a regular file", 0);
  if (exists && overwrite == Overwrite::Refuse) return fail(AppearedMeanwhileMessage(target_), 0);
  // A replaced file keeps its permissions (and its owner, where that is allowed).
  const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (::chmod(temporary_.c_str(), mode) != 0) return fail("Can't write file " + target_ + "!", errno);
  if (exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()))
    [[maybe_unused]] int ignored = ::chown(temporary_.c_str(), existing.st_uid, existing.st_gid);
  if (!SyncFile(temporary_)) return fail("Can't write file " + target_ + "!", errno);
  if (overwrite == Overwrite::Replace) {
    if (::rename(temporary_.c_str(), resolved_.c_str()) != 0)
      return fail("Can't write file " + target_ + "!", errno);
  } else if (int error = RenameWithoutReplacing(temporary_, resolved_); error != 0) {
    return fail(error == EEXIST ? AppearedMeanwhileMessage(target_)
                                : "Can't write file " + target_ + "!",
                error == EEXIST ? 0 : error);
  }
  temporary_.clear();
  Unlock();
  return true;
}

void OutputFile::Discard() {
  if (temporary_.empty()) return;
  ::unlink(temporary_.c_str());
  temporary_.clear();
  Unlock();
}

AtomicWrite WriteFileAtomically(const std::string& path, std::string_view bytes, bool replace,
                                Problem* problem) {
  Problem local;
  Problem& p = problem ? *problem : local;
  OutputFile out = OutputFile::Open(path, p);
  if (!out.IsOpen()) return AtomicWrite::Failed;
  std::FILE* file = std::fopen(out.Path().c_str(), "wb");
  bool ok = file != nullptr;
  int error = errno;
  if (ok) {
    ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!ok) error = errno;
    if (std::fclose(file) != 0 && ok) {
      ok = false;
      error = errno;
    }
  }
  if (!ok) {
    p = {"Can't write file " + path + "!", path, 0, SystemReason(error)};
    return AtomicWrite::Failed;
  }
  if (!replace && KindOf(path) != TargetKind::Absent) return AtomicWrite::Existed;
  if (out.Commit(replace ? Overwrite::Replace : Overwrite::Refuse, p)) return AtomicWrite::Written;
  return !replace && KindOf(path) != TargetKind::Absent ? AtomicWrite::Existed : AtomicWrite::Failed;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  return WriteFileAtomically(path, bytes, true) == AtomicWrite::Written;
}

std::optional<Problem> OutputIsInput(const std::string& output, const std::string& input,
                                     const std::string& message) {
  if (output.empty() || input.empty() || !SameFile(output, input)) return std::nullopt;
  return Problem(message, output);
}

std::optional<Problem> OutputIsAnyInput(const std::string& output, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs)
    if (auto clash = OutputIsInput(output, input, "Can't overwrite source file!")) return clash;
  return std::nullopt;
}

std::optional<Problem> UnwritableTarget(const std::string& target) {
  if (KindOf(target) != TargetKind::Other) return std::nullopt;
  return Problem("Can't write " + platform::NativePath(target) +
                     ": it exists and is not a regular file",
                 target);
}

}  // namespace tonemill
