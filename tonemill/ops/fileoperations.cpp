#include "fileoperations.h"

#include "inputs.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "tonemill/files/fileops.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/paths.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tonemill::ops {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::MessageKind;
using platform::Topic;

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(platform::NativePath(path), ec);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(platform::NativePath(path).c_str(), &st) == 0;
}

// Why the target's directory takes no new file, when that is the reason a write failed.
std::string WriteReason(const std::string& target) {
  const std::string directory =
      std::filesystem::path(platform::NativePath(target)).parent_path().string();
  if (::access(directory.empty() ? "." : directory.c_str(), W_OK | X_OK) != 0)
    return SystemReason(errno);
  return "";
}

// Runs the copy or move and turns every failure into the problem to show.
std::optional<Problem> Run(Transfer transfer, const std::string& from, const std::string& to) {
  const int before = errno;
  try {
    errno = 0;
    if (transfer == Transfer::Copy)
      CopyFileTo(from, to);
    else
      MoveFileTo(from, to);
    errno = before;
    return std::nullopt;
  } catch (const EFOpenError& e) {
    return Problem(e.what(), from, 0, UnreadableReason(from));
  } catch (const EFCreateError& e) {
    const int saved = errno;
    std::string reason = WriteReason(TransferTarget(from, to));
    if (reason.empty() && saved != 0) reason = SystemReason(saved);
    return Problem(e.what(), to, 0, reason);
  } catch (const EFCantMove& e) {
    return Problem(e.what(), from, 0,
                   HasAttributes(from, faReadOnly) ? "the file is read-only"
                                                   : "the target is not a regular file");
  } catch (const EStreamError& e) {
    return Problem(e.what(), from);
  } catch (const std::exception& e) {
    return Problem(e.what(), from);
  }
}

void ShowError(const std::string& text) { platform::ShowError(text); }

// A failure inside a walk over several files: OK goes on with the next, Abort stops.
bool GoOnAfter(const std::string& text) {
  return platform::Show({MessageKind::Error, Buttons::OkAbort, Topic::ContinueAfter, text}) ==
         Answer::Ok;
}

}  // namespace

std::string TransferTarget(const std::string& from, const std::string& to) {
  if (IsDirectory(to)) return WithBackslash(to) + FileNamePart(from);
  return to;
}

std::optional<Problem> CheckTransferSource(const std::string& from) {
  return UnreadableInput(from, "File not found!");
}

std::optional<Problem> CheckTransferTarget(const std::string& from, const std::string& to) {
  const std::string target = TransferTarget(from, to);
  if (!IsValidFileName(target)) return Problem("Invalid file name!", to);
  if (SameFile(from, target)) return Problem("Can't overwrite source file!", to);
  return std::nullopt;
}

bool TransferFile(Transfer transfer, const std::string& from, const std::string& to) {
  const std::string target = TransferTarget(from, to);
  if (SameFile(from, target)) {
    ShowError("Can't overwrite source file!");
    return false;
  }
  bool go = false;
  if (Exists(target)) {
    go = platform::Show({MessageKind::Confirmation, Buttons::YesNo, Topic::Overwrite,
                         "Overwrite file " + target + "?"}) == Answer::Yes;
  } else {
    go = !from.empty() && !to.empty();
  }
  if (!go) {
    ShowError(transfer == Transfer::Copy ? "Can't copy file!" : "Can't move file!");
    return false;
  }
  if (std::optional<Problem> p = Run(transfer, from, to)) {
    ShowError(p->BoxText());
    return false;
  }
  return true;
}

bool SameDirectory(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  return SameFile(a, b);
}

GroupOutcome TransferGroup(Transfer transfer, const std::vector<std::string>& files,
                           const std::string& directory) {
  GroupOutcome outcome;
  bool all = false;
  for (auto it = files.rbegin(); it != files.rend(); ++it) {
    const std::string target = WithBackslash(directory) + FileNamePart(*it);
    if (!all && Exists(target) && !SameFile(*it, target)) {
      const Answer answer =
          platform::Show({MessageKind::Confirmation, Buttons::YesNoAbortAll, Topic::Overwrite,
                          "Overwrite file " + target + "?"});
      if (answer == Answer::Abort) {
        outcome.aborted = true;
        break;
      }
      if (answer == Answer::No) continue;
      if (answer == Answer::All) all = true;
    }
    if (std::optional<Problem> p = Run(transfer, *it, target)) {
      ++outcome.failed;
      if (!GoOnAfter(p->BoxText())) {
        outcome.aborted = true;
        break;
      }
      continue;
    }
    ++outcome.transferred;
  }
  return outcome;
}

namespace {

std::optional<Problem> Delete(const std::string& path) {
  errno = 0;
  if (DeleteFileByName(path)) return std::nullopt;
  std::string reason = IsDirectory(path) ? SystemReason(EISDIR) : SystemReason(errno ? errno : EIO);
  return Problem("Can't delete file " + path, path, 0, reason);
}

}  // namespace

bool DeleteOneFile(const std::string& path) {
  if (platform::Show({MessageKind::Confirmation, Buttons::YesNo, Topic::Confirm,
                      "Delete " + path + "?"}) != Answer::Yes)
    return false;
  if (std::optional<Problem> p = Delete(path)) {
    ShowError(p->BoxText());
    return false;
  }
  return true;
}

int DeleteFiles(const std::vector<std::string>& paths) {
  const std::string count = std::to_string(paths.size()) + (paths.size() == 1 ? " file" : " files");
  if (platform::Show({MessageKind::Confirmation, Buttons::YesNo, Topic::Confirm,
                      "Delete all selected files?", count + " will be deleted."}) != Answer::Yes)
    return 0;
  int deleted = 0;
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
    if (std::optional<Problem> p = Delete(*it)) {
      if (!GoOnAfter(p->BoxText())) break;
      continue;
    }
    ++deleted;
  }
  return deleted;
}

}  // namespace tonemill::ops
