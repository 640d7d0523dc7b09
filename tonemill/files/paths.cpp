#include "paths.h"

#include "platform/filesystem.h"
#include "platform/library.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace tonemill {
namespace {

size_t NameStart(const std::string& path) {
  size_t separator = path.find_last_of("/\\:");
  return separator == std::string::npos ? 0 : separator + 1;
}

bool IsNameCharacter(char c) {
  return c >= 33 && c <= 126 && !std::strchr("\"*+,/:;<=>?[]^|", c);
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

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
  const size_t nameStart = NameStart(path);
  const std::string name = path.substr(nameStart);
  std::string directory = path.substr(0, nameStart);
  if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameCharacter)) return false;
  if (directory.empty()) return false;
  if (directory.size() >= 2 && IsLetter(directory[0]) && directory[1] == ':') {
    directory.erase(0, 2);
    if (directory.find(':') != std::string::npos) return false;
  }
  return directory.find('\0') == std::string::npos;
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
