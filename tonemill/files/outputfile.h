// Every file the program writes goes through an OutputFile: the work is written to a temporary
// file in the target's directory and moved into place only when the operation has ended with
// success or a cancel. A failure removes the temporary file, so whatever the target held before
// stays exactly as it was; readers never see half a file.
#pragma once

#include "problem.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <sys/types.h>

namespace tonemill {

// A file's identity: its device and inode, after following symbolic links.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> IdentityOf(const std::string& path);

// True when the two names reach one file: the expanded paths are equal, or both exist and have
// one identity (a symbolic or hard link to the other).
bool SameFile(const std::string& a, const std::string& b);

enum class TargetKind { Absent, RegularFile, Other };
// What a name holds now, following symbolic links (a dangling link is Absent).
TargetKind KindOf(const std::string& path);

// An output may not be one of the operation's inputs, under whatever name (a symbolic or hard
// link counts): `message` names the clash in the system's words.
std::optional<Problem> OutputIsInput(const std::string& output, const std::string& input,
                                     const std::string& message);
// The same for each of the inputs, with "Can't overwrite source file!".
std::optional<Problem> OutputIsAnyInput(const std::string& output, const std::vector<std::string>& inputs);

// An existing target that is not a regular file (a device, a FIFO, a directory) is refused.
std::optional<Problem> UnwritableTarget(const std::string& target);

// The file a write to `path` changes: a symbolic link is followed to the file it names, so
// that the link stays and the file behind it gets the new content.
std::string ResolveOutputPath(const std::string& path);

// Whether the final move may replace a file that is there by then.
enum class Overwrite { Refuse, Replace };

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Makes the temporary file for `target` (".NAME.tmp-PID@HOST-XXXXXX" beside it, locked while
  // this object holds it), after removing the temporaries of the same target that writers of
  // this host left when they died (their process gone and their lock free). Fails with a problem
  // naming the target when it exists as something other than a regular file (a device, a FIFO,
  // a directory) or when nothing can be created in its directory.
  static OutputFile Open(const std::string& target, Problem& problem);

  bool IsOpen() const { return !temporary_.empty(); }
  const std::string& Target() const { return target_; }
  // The file the work is written to until the commit.
  const std::string& Path() const { return temporary_; }

  // Moves the written file into place. With Replace an existing file is replaced and its
  // permissions carry over; with Refuse a file that is there by then (also one another process
  // made meanwhile) stays untouched and the commit fails. The temporary file is gone afterwards
  // in every case.
  bool Commit(Overwrite overwrite, Problem& problem);
  // Removes the temporary file; the target is left as it was.
  void Discard();

 private:
  std::string target_;    // as the caller named it
  std::string resolved_;  // the file that changes
  std::string temporary_;
  int lock_ = -1;  // the temporary file held open under its lock: this writer is alive
  void Unlock();
};

// Writes `bytes` through an OutputFile in one step.
enum class AtomicWrite { Written, Existed, Failed };
AtomicWrite WriteFileAtomically(const std::string& path, std::string_view bytes, bool replace,
                                Problem* problem = nullptr);
// WriteFileAtomically with replace: true when written.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// The message for a target that another process created while the work was being written.
std::string AppearedMeanwhileMessage(const std::string& target);

}  // namespace tonemill
