#include "dftlibrary.h"

#include "dft/results.h"
#include "platform/library.h"

namespace tonemill {
namespace {

constexpr const char* kLibrary = "DFT.DLL";
using DftEntryPoint = int32_t (*)(const char* source, const char* target);

}  // namespace

std::string DftResultMessage(DftEntry entry, int32_t code, const std::string& source,
                             const std::string& target) {
  const bool toWav = entry == DftEntry::DftToWav;
  switch (code) {
    case dft::kCantOpenSource: return "Can't open source file " + source + ".";
    case dft::kUnsupportedWordSize: return "Unsupported word size.";
    case dft::kUndefinedChannels: return "Undefined channel assignment.";
    case dft::kNotDft:
      if (toWav) return "File " + source + " is not DFT.";
      break;
    case dft::kCantCreateTarget: return "Can't open destination file " + target + ".";
    case dft::kDiskFull: return "Insufficient disk space.";
    case dft::kOutOfMemory: return "Insufficient free memory.";
    case dft::kPrematureEnd: return "Premature end of file.";
    case dft::kNotWav:
      if (!toWav) return "File " + source + " is not WAV.";
      break;
    case dft::kUnsupportedFormat:
      if (!toWav) return "Unsupported format.";
      break;
    default: break;
  }
  return "Internal error!";
}

std::optional<Problem> CheckDftPaths(const std::string& source, const std::string& target) {
  for (const std::string* path : {&source, &target})
    if (path->size() > kMaxDftPathBytes)
      return Problem("Path " + *path + " is longer than " + std::to_string(kMaxDftPathBytes) +
                         " bytes.",
                     *path);
  return std::nullopt;
}

std::optional<Problem> ConvertWithDftLibrary(DftEntry entry, const std::string& source,
                                             const std::string& output, const std::string& target,
                                             bool* unbound) {
  platform::BoundLibrary library = platform::BoundLibrary::Load(kLibrary);
  auto convert = library.IsLoaded() ? reinterpret_cast<DftEntryPoint>(library.Export(int(entry)))
                                    : nullptr;
  if (!convert) {
    if (unbound) *unbound = true;
    return Problem(library.IsLoaded() ? platform::MissingExportMessage(kLibrary, int(entry))
                                      : platform::LoadErrorMessage(kLibrary));
  }
  const int32_t code = convert(source.c_str(), output.c_str());
  library.Free();
  if (code == dft::kOk) return std::nullopt;
  const bool aboutTarget = code == dft::kCantCreateTarget || code == dft::kDiskFull;
  const bool aboutNothing =
      code == dft::kOutOfMemory || DftResultMessage(entry, code, "", "") == "Internal error!";
  return Problem(DftResultMessage(entry, code, source, target),
                 aboutNothing ? "" : aboutTarget ? target : source);
}

}  // namespace tonemill
