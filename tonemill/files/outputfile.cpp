#include "outputfile.h"

#include "paths.h"
#include "platform/filesystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tonemill {
namespace {

constexpr int kMaxLinkDepth = 40;  // as the kernel's own limit
constexpr size_t kMaxTemporaryStem = 200;  // leaves room for the suffix within 255 bytes

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
      temporary_(std::move(other.temporary_)) {
  other.temporary_.clear();
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Discard();
    target_ = std::move(other.target_);
    resolved_ = std::move(other.resolved_);
    temporary_ = std::move(other.temporary_);
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
  std::string pattern =
      DirectoryOf(out.resolved_) + "." + name.substr(0, kMaxTemporaryStem) + ".tmp-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd < 0) {
    problem = {"Can't create file " + target + "!", target, 0, SystemReason(errno)};
    return OutputFile();
  }
  ::close(fd);
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
  return true;
}

void OutputFile::Discard() {
  if (temporary_.empty()) return;
  ::unlink(temporary_.c_str());
  temporary_.clear();
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
