#include "targets.h"

#include "platform/messages.h"
#include "platform/filesystem.h"
#include "tonemill/files/paths.h"

namespace tonemill::ops {
namespace {

constexpr size_t kShortNameLength = 8;

std::vector<const OriginalInputs*>& LivingOriginals() {
  static std::vector<const OriginalInputs*> editors;
  return editors;
}

std::optional<Overwrite> Ask(const std::string& target, const std::string& question) {
  switch (KindOf(target)) {
    case TargetKind::Absent: return Overwrite::Refuse;
    case TargetKind::Other: return std::nullopt;
    case TargetKind::RegularFile: break;
  }
  if (!platform::AskOverwrite(question, IsOriginalInput(target))) return std::nullopt;
  return Overwrite::Replace;
}

}  // namespace

std::string ProposedTarget(const std::string& directory, const std::string& source,
                           const std::string& extension) {
  return WithBackslash(directory) + LowerCase(StripExtension(FileNamePart(source))) + extension;
}

std::string ShortProposedTarget(const std::string& directory, const std::string& source) {
  std::string name = LowerCase(StripExtension(FileNamePart(source)));
  if (name.size() >= kShortNameLength) name.resize(kShortNameLength - 1);
  return WithBackslash(directory) + name + "0.mid";
}

std::optional<Overwrite> AskToOverwrite(const std::string& target) {
  return Ask(target, "Existing file " + target + " will be overwritten!");
}

std::optional<Overwrite> AskToOverwriteFile(const std::string& target) {
  return Ask(target, "File " + target + " will be overwritten!");
}

OriginalInputs::OriginalInputs() { LivingOriginals().push_back(this); }
OriginalInputs::~OriginalInputs() { std::erase(LivingOriginals(), this); }

void OriginalInputs::Add(const std::string& path) {
  if (!path.empty() && !Contains(path)) paths_.push_back(path);
}

bool OriginalInputs::Contains(const std::string& path) const {
  for (const std::string& p : paths_)
    if (SameFullPath(p, path) || SameFile(p, path)) return true;
  return false;
}

bool IsOriginalInput(const std::string& path) {
  for (const OriginalInputs* editor : LivingOriginals())
    if (editor->Contains(path)) return true;
  return false;
}

}  // namespace tonemill::ops
