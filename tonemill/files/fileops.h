// File routines of the main window and the dialogs: delete, copy, move, attributes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tonemill {

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// "Cannot open file %s"
class EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(const std::string& name);
};
// "Cannot create file %s"
class EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(const std::string& name);
};
// "Cannot move file %s"
class EFCantMove : public EStreamError {
 public:
  explicit EFCantMove(const std::string& name);
};

// File attributes as the file list knows them.
enum FileAttribute : uint32_t {
  faReadOnly = 0x01,   // the owner may not write it
  faHidden = 0x02,     // the name starts with "."
  faDirectory = 0x10,
  faArchive = 0x20,    // a regular file
};

// Deletes a file; false when it could not be deleted.
bool DeleteFileByName(const std::string& name);
// Copies a file; a destination that is an existing directory gets the source's name appended.
void CopyFileTo(const std::string& name, const std::string& destination);
// Moves a file by renaming it, or by copying and deleting when the rename fails (another file
// system, a directory as destination) and the source is not read-only.
void MoveFileTo(const std::string& name, const std::string& destination);
// Writes `bytes` to a temporary file beside `path` and puts it into place in one step, so that
// a reader never sees half a file: renamed over any existing file with `replace`, otherwise
// linked, which leaves an existing file (even one another process creates meanwhile) alone.
// `errorNumber` tells why a write Failed; nothing at `path` changes then.
enum class AtomicWrite { Written, Existed, Failed };
AtomicWrite WriteFileAtomically(const std::string& path, std::string_view bytes, bool replace,
                                int* errorNumber = nullptr);
// WriteFileAtomically with `replace`: true when written.
bool ReplaceFileAtomically(const std::string& path, const std::string& text);
// True when every attribute of the mask is set for the file.
bool HasAttributes(const std::string& name, uint32_t mask);

}  // namespace tonemill
