// Path routines.
#pragma once

#include <string>

namespace tonemill {

// Appends the native separator unless the path is empty or already ends in "/", "\" or ":".
std::string WithBackslash(const std::string& path);

}  // namespace tonemill

namespace tonemill {

// Deletes everything from the first "." of the file name to the end ("a.b.wav" becomes "a");
// the directories before the name are left alone.
std::string StripExtension(const std::string& path);

}  // namespace tonemill
