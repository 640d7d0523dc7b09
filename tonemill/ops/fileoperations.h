// The main window's file operations: copy or move one file, copy or move a group into another
// directory, delete one or several files. Questions and failures go through the message sink,
// failures always with the operating system's reason; nothing is reported as done that was not.
#pragma once

#include "tonemill/files/problem.h"

#include <optional>
#include <string>
#include <vector>

namespace tonemill::ops {

enum class Transfer { Copy, Move };

// The file a copy or move of `from` to `to` writes: `to`, or `to` plus the file's name when `to`
// is a directory.
std::string TransferTarget(const std::string& from, const std::string& to);

// The copy/move dialog's checks of its two fields: "File not found!" for a "from" that is no
// readable file; for "to", a name the file system takes and not the source itself ("Can't
// overwrite source file!").
std::optional<Problem> CheckTransferSource(const std::string& from);
std::optional<Problem> CheckTransferTarget(const std::string& from, const std::string& to);

// OK of the copy/move dialog: asks "Overwrite file X?" when the target exists; copies or moves
// after Yes or when there is nothing to overwrite; "Can't copy file!" / "Can't move file!" when
// neither applies. Returns true when the file was copied or moved; every failure has been shown.
bool TransferFile(Transfer transfer, const std::string& from, const std::string& to);

// The group dialog's OK is enabled only for another directory (the same directory on disk,
// under whatever name, counts as the same).
bool SameDirectory(const std::string& a, const std::string& b);

struct GroupOutcome {
  int transferred = 0;
  int failed = 0;
  bool aborted = false;
};
// Copies or moves the files into `directory`, from the last to the first. An existing target
// asks "Overwrite file X?" with Yes, No, Abort and All until All is answered. A failure is shown
// with its reason and OK (go on) or Abort.
GroupOutcome TransferGroup(Transfer transfer, const std::vector<std::string>& files,
                           const std::string& directory);

// "Delete NAME?" and, on Yes, the deletion. True when the file was deleted.
bool DeleteOneFile(const std::string& path);
// "Delete all selected files?" and, on Yes, each file from the last to the first; a failure is
// shown with its reason and OK (go on) or Abort. Returns how many were deleted.
int DeleteFiles(const std::vector<std::string>& paths);

}  // namespace tonemill::ops
