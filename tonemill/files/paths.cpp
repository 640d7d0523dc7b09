#include "paths.h"

#include "platform/filesystem.h"
#include "platform/library.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace tonemill {
namespace {

size_t NameStart(const std::string& path) {
  size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? 0 : separator + 1;
}

constexpr size_t kMaxComponentBytes = 255;  // NAME_MAX of the usual file systems

}  // namespace

std::string WithBackslash(const std::string& path) {
  if (path.empty()) return path;
  char last = path.back();
  if (last == '/' || last == '\\' || last == ':') return path;
  return path + '/';
}

std::string StripExtension(const std::string& path) {
  size_t dot = path.find('.', NameStart(path));
  return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string FileNamePart(const std::string& path) { return path.substr(NameStart(path)); }

std::string LowerCase(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

bool IsValidFileName(const std::string& path) {
  // What the file system takes: no NUL, and no component longer than it allows. The name part
  // and a directory part must be there: callers pass full paths.
  if (path.find('\0') != std::string::npos) return false;
  const size_t nameStart = NameStart(path);
  if (nameStart == 0 || nameStart == path.size()) return false;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find_first_of("/\\", start);
    if ((end == std::string::npos ? path.size() : end) - start > kMaxComponentBytes) return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

std::string ProgramDirectory() { return platform::ExecutableDirectory(); }

std::string UnderscoresToSpaces(std::string text) {
  std::replace(text.begin(), text.end(), '_', ' ');
  return text;
}

std::string SpacesToUnderscores(std::string text) {
  std::replace(text.begin(), text.end(), ' ', '_');
  return text;
}

bool SameFullPath(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path pa = fs::absolute(platform::NativePath(a), ec).lexically_normal();
  fs::path pb = fs::absolute(platform::NativePath(b), ec).lexically_normal();
  return pa == pb;
}

}  // namespace tonemill
