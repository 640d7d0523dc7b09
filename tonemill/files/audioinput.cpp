#include "audioinput.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace tonemill {
namespace {

// Whether the file begins as a RIFF (or RF64) WAVE file.
bool LooksLikeWave(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char head[12] = {};
  const size_t got = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return got == sizeof head &&
         (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RF64", 4) == 0) &&
         std::memcmp(head + 8, "WAVE", 4) == 0;
}

// The files RouteEngineInput decoded, by the path of their samples: what was decoded, and the
// container's name.
struct Decoded {
  std::string input, container;
};
std::mutex decodedLock;
std::map<std::string, Decoded>& DecodedFiles() {
  static std::map<std::string, Decoded> files;
  return files;
}

}  // namespace

// Whether the name's extension names another container than WAV.
bool NamedAsOtherAudio(const std::string& path) {
  const std::optional<Container> named = ContainerOfName(path);
  return named && *named != Container::Wav;
}

bool EnginesReadAsItIs(const std::string& path) {
  const TWAVheader h(path);
  if (!h.Found) return true;
  // A WAV header cut short keeps its own message; a float file cut short is decoded as far as
  // it goes, and so is a file named as another container (which is no WAV file at all).
  if (h.Truncated && !h.IsFloat) return !NamedAsOtherAudio(path) || LooksLikeWave(path);
  return EngineEncoding(h).has_value();
}

std::optional<EngineInput> RouteEngineInput(const std::string& input, const std::string& temporary,
                                            std::string& error, bool fold) {
  EngineInput routed;
  routed.path = input;
  if (EnginesReadAsItIs(input)) return routed;
  WaveEncoding encoding;
  if (std::optional<std::string> problem = DecodeToEngineWav(input, temporary, encoding, fold)) {
    std::remove(temporary.c_str());
    const bool audioName = NamedAsOtherAudio(input);
    const bool unreadable = problem->find(": unsupported encoding (") != std::string::npos;
    // Files the checks have always refused in their own words keep those words.
    if (unreadable && !audioName && !LooksLikeWave(input)) return routed;
    error = *problem;
    return std::nullopt;
  }
  routed.path = temporary;
  routed.decoded = true;
  routed.container = LooksLikeWave(input) ? std::optional(Container::Wav) : ContainerOfName(input);
  routed.encoding = encoding;
  const std::optional<Container> container = ContainerOfFile(input);
  std::lock_guard lock(decodedLock);
  DecodedFiles()[temporary] = {input, std::string(container ? DescriptionOf(*container) : "audio")};
  return routed;
}

bool CarriesMetadata(const std::string& input, bool asked) {
  return asked || !WavInputProblem(TWAVheader(input), input).empty();
}

AudioTags CarriedTags(const std::string& input, bool asked) {
  return CarriesMetadata(input, asked) ? ReadAudioTags(input) : AudioTags{};
}

std::string PrematureEndMessage(const std::string& name) {
  {
    std::lock_guard lock(decodedLock);
    if (const auto found = DecodedFiles().find(name); found != DecodedFiles().end())
      return "Premature end of " + found->second.container + " file " + found->second.input;
  }
  return "Premature end of WAV file " + name;
}

}  // namespace tonemill
