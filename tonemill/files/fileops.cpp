#include "fileops.h"

#include "paths.h"
#include "platform/filesystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
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

bool DeleteFileByName(const std::string& name) {
  const std::string path = platform::NativePath(name);
  if (path.empty() || path.size() >= PATH_MAX) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

void CopyFileTo(const std::string& name, const std::string& destination) {
  const std::string target = DestinationFor(name, destination);
  Descriptor in{::open(platform::NativePath(name).c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) throw EFOpenError(name);
  Descriptor out{::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
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
}

void MoveFileTo(const std::string& name, const std::string& destination) {
  const std::string source = platform::NativePath(name);
  const std::string target = Expanded(destination);
  if (::rename(source.c_str(), target.c_str()) == 0) return;
  if (HasAttributes(name, faReadOnly)) throw EFCantMove(name);
  CopyFileTo(name, destination);
  DeleteFileByName(name);
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

AtomicWrite WriteFileAtomically(const std::string& path, std::string_view bytes, bool replace,
                                int* errorNumber) {
  const std::string target = platform::NativePath(path);
  static std::mt19937_64 rng(std::random_device{}());
  const size_t slash = target.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = directory + "." + name + "." + std::to_string(rng() % 1000000000) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  auto fail = [&] {
    if (errorNumber) *errorNumber = errno;
    return AtomicWrite::Failed;
  };
  if (fd < 0) return fail();
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    ok = n > 0;
    if (ok) done += size_t(n);
  }
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    const AtomicWrite result = fail();
    ::unlink(temporary.c_str());
    return result;
  }
  if (replace) {
    if (::rename(temporary.c_str(), target.c_str()) == 0) return AtomicWrite::Written;
    const AtomicWrite result = fail();
    ::unlink(temporary.c_str());
    return result;
  }
  const int linked = ::link(temporary.c_str(), target.c_str());
  const int linkError = errno;
  ::unlink(temporary.c_str());
  if (linked == 0) return AtomicWrite::Written;
  if (linkError == EEXIST) return AtomicWrite::Existed;
  if (errorNumber) *errorNumber = linkError;
  return AtomicWrite::Failed;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& text) {
  return WriteFileAtomically(path, text, true) == AtomicWrite::Written;
}

}  // namespace tonemill
