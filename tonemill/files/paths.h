// Path and name routines. Paths are native ("/" separates); where a path is parsed, "/" and
// "\" both separate.
#pragma once

#include <string>

namespace tonemill {

// Appends the native separator unless the path is empty or already ends in "/", "\" or ":".
std::string WithBackslash(const std::string& path);

// Deletes everything from the first "." of the file name to the end ("a.b.wav" becomes "a");
// the directories before the name are left alone.
std::string StripExtension(const std::string& path);

// The name after the last "/" or "\".
std::string FileNamePart(const std::string& path);

// ASCII lower case, the way names are lower-cased for proposed targets.
std::string LowerCase(std::string text);

// A full path as the file system takes it: a directory part and a non-empty name part, no NUL,
// no component ("/" or "\" separate them) over 255 bytes. Spaces, "+" and letters beyond
// ASCII are fine.
bool IsValidFileName(const std::string& path);

// The program's directory, with a trailing separator.
std::string ProgramDirectory();

// Character for character "_" -> " " and back, for names kept in space-separated settings.
std::string UnderscoresToSpaces(std::string text);
std::string SpacesToUnderscores(std::string text);

// Both paths made absolute and lexically normal, "\" read as "/"; compared case-sensitively.
bool SameFullPath(const std::string& a, const std::string& b);

}  // namespace tonemill
