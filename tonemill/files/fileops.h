// File routines of the main window and the dialogs: delete, copy, move, attributes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

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

// "Cannot delete file %s": a move copied the file but could not remove the source.
class EFCantDelete : public EStreamError {
 public:
  EFCantDelete(const std::string& name, const std::string& reason);
};

// "Can't overwrite source file!": the destination is the source itself, under any name.
class ESameFile : public EStreamError {
 public:
  ESameFile();
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
// The copy is written beside the destination and moved into place, so a failure leaves an
// existing destination as it was; a destination that is the source itself is refused.
void CopyFileTo(const std::string& name, const std::string& destination);
// Moves a file by renaming it, or by copying and deleting when the rename fails (another file
// system, a directory as destination) and the source is not read-only. A destination that is
// the source itself is refused, and only regular files are replaced. When the copy is made but
// the source cannot be removed, EFCantDelete says so: the file then exists twice.
void MoveFileTo(const std::string& name, const std::string& destination);
// True when every attribute of the mask is set for the file.
bool HasAttributes(const std::string& name, uint32_t mask);

}  // namespace tonemill
