// File-system services shared by the library and the program.
#pragma once

#include <string>

namespace platform {

// "\" separates like "/"; this turns a parsed path into the native form used for every
// file-system call.
std::string NativePath(std::string path);

// Finds a file whose exact name does not exist by comparing names in its directory without
// regard to ASCII case: the exact name first, then the first match in byte order of the names.
// Returns the native path of what was found, or the native path itself when nothing matches.
std::string FindFileIgnoringCase(const std::string& path);

}  // namespace platform
