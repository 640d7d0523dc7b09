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

DftConversion ConvertWithDftLibrary(DftEntry entry, const std::string& source,
                                    const std::string& target, Overwrite overwrite) {
  DftConversion result;
  for (const std::string* path : {&source, &target})
    if (path->size() > kMaxDftPathBytes) {
      result.problem = Problem("Path " + *path + " is longer than " +
                                   std::to_string(kMaxDftPathBytes) + " bytes.",
                               *path);
      return result;
    }
  OutputFile out = OutputFile::Open(target, result.problem);
  if (!out.IsOpen()) {
    result.code = dft::kCantCreateTarget;
    result.problem.message = DftResultMessage(entry, result.code, source, target);
    return result;
  }
  platform::BoundLibrary library = platform::BoundLibrary::Load(kLibrary);
  if (!library.IsLoaded()) {
    result.end = DftConversion::End::LibraryMissing;
    result.problem = Problem(platform::LoadErrorMessage(kLibrary));
    return result;
  }
  auto convert = reinterpret_cast<DftEntryPoint>(library.Export(int(entry)));
  if (!convert) {
    result.end = DftConversion::End::LibraryMissing;
    result.problem = Problem(platform::MissingExportMessage(kLibrary, int(entry)));
    return result;
  }
  result.code = convert(source.c_str(), out.Path().c_str());
  library.Free();
  if (result.code != dft::kOk) {
    const bool aboutTarget = result.code == dft::kCantCreateTarget || result.code == dft::kDiskFull;
    const bool aboutNothing = result.code == dft::kOutOfMemory ||
                              DftResultMessage(entry, result.code, "", "") == "Internal error!";
    result.problem = Problem(DftResultMessage(entry, result.code, source, target),
                             aboutNothing ? "" : aboutTarget ? target : source);
    return result;
  }
  if (!out.Commit(overwrite, result.problem)) return result;
  result.end = DftConversion::End::Done;
  return result;
}

}  // namespace tonemill
