#include "paths.h"

namespace tonemill {

std::string WithBackslash(const std::string& path) {
  if (path.empty()) return path;
  char last = path.back();
  if (last == '/' || last == '\\' || last == ':') return path;
  return path + '/';
}

}  // namespace tonemill

namespace tonemill {

std::string StripExtension(const std::string& path) {
  size_t nameStart = path.find_last_of("/\\:");
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  size_t dot = path.find('.', nameStart);
  return dot == std::string::npos ? path : path.substr(0, dot);
}

}  // namespace tonemill
