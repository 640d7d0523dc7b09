// The targets the dialogs propose and the checks every output passes before work starts.
#pragma once

#include "tonemill/files/outputfile.h"
#include "tonemill/files/problem.h"

#include <optional>
#include <string>
#include <vector>

namespace tonemill::ops {

// The Convert dialog's proposal: the directory, the source's name cut at its first "." and
// lower-cased (ASCII letters only), and the extension (".lst", ".wav").
std::string ProposedTarget(const std::string& directory, const std::string& source,
                           const std::string& extension);
// The "MID 1 to 0" proposal: the name kept within eight characters, "0" as its last one.
std::string ShortProposedTarget(const std::string& directory, const std::string& source);

// The overwrite question for an existing target ("Existing file X will be overwritten!"),
// asked through the message sink. Returns how the output may be put into place: Refuse when
// the target does not exist (a file appearing meanwhile is then kept), Replace after consent;
// nothing when the user declined.
std::optional<Overwrite> AskToOverwrite(const std::string& target);
// The same with the wording of the effect dialogs ("File X will be overwritten!").
std::optional<Overwrite> AskToOverwriteFile(const std::string& target);

// The files an editor opened as its input while it lives. An overwrite question whose target
// is one of them has Cancel as its default button: after Swap the original is the To file,
// and Enter must not replace it.
class OriginalInputs {
 public:
  OriginalInputs();
  ~OriginalInputs();
  OriginalInputs(const OriginalInputs&) = delete;
  OriginalInputs& operator=(const OriginalInputs&) = delete;
  void Add(const std::string& path);
  bool Contains(const std::string& path) const;

 private:
  std::vector<std::string> paths_;
};
// Whether a living editor holds `path` as an original input.
bool IsOriginalInput(const std::string& path);

}  // namespace tonemill::ops
