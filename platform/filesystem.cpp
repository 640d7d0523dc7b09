#include "filesystem.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace platform {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace

std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string FindFileIgnoringCase(const std::string& path) {
  std::string native = NativePath(path);
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0) return native;

  size_t slash = native.rfind('/');
  std::string dir = slash == std::string::npos ? "." : native.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
  if (name.empty()) return native;

  DIR* d = ::opendir(dir.c_str());
  if (!d) return native;
  std::vector<std::string> matches;
  while (dirent* e = ::readdir(d)) {
    std::string entry = e->d_name;
    if (EqualIgnoringCase(entry, name)) matches.push_back(entry);
  }
  ::closedir(d);
  if (matches.empty()) return native;
  std::string first = *std::min_element(matches.begin(), matches.end());
  return slash == std::string::npos ? first : dir + first;
}

}  // namespace platform
