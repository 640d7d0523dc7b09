#include "fileops.h"

#include "outputfile.h"
#include "paths.h"
#include "platform/filesystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tonemill {
namespace {

constexpr size_t kCopyChunk = 8192;

// Closes on every path.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

std::string Expanded(const std::string& path) {
  std::error_code ec;
  auto full = std::filesystem::absolute(platform::NativePath(path), ec).lexically_normal();
  return ec ? platform::NativePath(path) : full.string();
}

std::string DestinationFor(const std::string& name, const std::string& destination) {
  std::string target = Expanded(destination);
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec)) target = WithBackslash(target) + FileNamePart(name);
  return target;
}

}  // namespace

EFOpenError::EFOpenError(const std::string& name) : EStreamError("Cannot open file " + name) {}
EFCreateError::EFCreateError(const std::string& name)
    : EStreamError("Cannot create file " + name) {}
EFCantMove::EFCantMove(const std::string& name) : EStreamError("Cannot move file " + name) {}
EFCantDelete::EFCantDelete(const std::string& name, const std::string& reason)
    : EStreamError("Cannot delete file " + name + (reason.empty() ? "" : " (" + reason + ")")) {}
ESameFile::ESameFile() : EStreamError("Can't overwrite source file!") {}

bool DeleteFileByName(const std::string& name) {
  const std::string path = platform::NativePath(name);
  if (path.empty() || path.size() >= PATH_MAX) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

void CopyFileTo(const std::string& name, const std::string& destination) {
  const std::string target = DestinationFor(name, destination);
  if (SameFile(name, target)) throw ESameFile();
  Descriptor in{::open(platform::NativePath(name).c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) throw EFOpenError(name);
  // Written beside the destination and moved into place: a failed copy leaves what was there.
  Problem problem;
  OutputFile output = OutputFile::Open(target, problem);
  if (!output.IsOpen()) throw EFCreateError(target);
  Descriptor out{::open(output.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC)};
  if (out.fd < 0) throw EFCreateError(target);
  char buffer[kCopyChunk];
  for (;;) {
    ssize_t n = ::read(in.fd, buffer, sizeof buffer);
    if (n < 0) throw EFOpenError(name);
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out.fd, buffer + done, size_t(n - done));
      if (w <= 0) throw EFCreateError(target);
      done += w;
    }
    if (size_t(n) < sizeof buffer) break;
  }
  if (::close(out.fd) != 0) {
    out.fd = -1;
    throw EFCreateError(target);
  }
  out.fd = -1;
  if (!output.Commit(Overwrite::Replace, problem)) throw EFCreateError(target);
}

void MoveFileTo(const std::string& name, const std::string& destination) {
  const std::string source = platform::NativePath(name);
  const std::string target = ResolveOutputPath(Expanded(destination));
  if (SameFile(name, DestinationFor(name, target))) throw ESameFile();
  // A rename would put the file in place of a device or a FIFO; only files are replaced.
  if (KindOf(target) == TargetKind::Other && !std::filesystem::is_directory(target))
    throw EFCantMove(name);
  if (::rename(source.c_str(), target.c_str()) == 0) return;
  if (HasAttributes(name, faReadOnly)) throw EFCantMove(name);
  CopyFileTo(name, destination);
  if (!DeleteFileByName(name)) throw EFCantDelete(name, SystemReason(errno));
}

bool HasAttributes(const std::string& name, uint32_t mask) {
  const std::string path = platform::NativePath(name);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  uint32_t attributes = 0;
  if (!(st.st_mode & S_IWUSR)) attributes |= faReadOnly;
  if (FileNamePart(path).rfind('.', 0) == 0) attributes |= faHidden;
  if (S_ISDIR(st.st_mode)) attributes |= faDirectory;
  if (S_ISREG(st.st_mode)) attributes |= faArchive;
  return (attributes & mask) == mask;
}

}  // namespace tonemill
