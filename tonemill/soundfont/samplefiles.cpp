#include "samplefiles.h"

#include "platform/filesystem.h"
#include "tonemill/files/fileops.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/paths.h"
#include "tonemill/files/wavprocessing.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace tonemill::soundfont {
namespace {

constexpr size_t kNameLength = 8;

bool IsVowel(char c) { return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U'; }

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words(1);
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) && c < 128) {
      words.back() += char(std::toupper(c));
    } else if (!words.back().empty()) {
      words.emplace_back();
    }
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

std::string ShortSampleName(const std::string& bankName) {
  std::vector<std::string> words = Words(bankName);
  std::string joined;
  for (const auto& w : words) joined += w;
  if (joined.empty()) return "SAMPLE";
  if (joined.size() <= kNameLength) return joined;

  std::string tail;
  if (words.size() > 1 && words.back().size() <= 4 &&
      words.back().find_first_of("0123456789") != std::string::npos) {
    tail = words.back();
    words.pop_back();
  }
  std::string head;
  for (const auto& w : words) {
    head += w[0];
    for (size_t i = 1; i < w.size(); ++i)
      if (!IsVowel(w[i])) head += w[i];
  }
  return head.substr(0, kNameLength - tail.size()) + tail;
}

std::vector<uint8_t> WavFileBytes(const SampleAudio& audio) {
  const uint32_t dataSize = uint32_t(audio.samples.size() * 2);
  std::vector<uint8_t> b = CanonicalWavHeader(16, audio.channels, int32_t(audio.rate), dataSize);
  b.reserve(44 + dataSize);
  for (int16_t s : audio.samples) {
    b.push_back(uint8_t(uint16_t(s)));
    b.push_back(uint8_t(uint16_t(s) >> 8));
  }
  return b;
}

bool WriteFileOrThrow(const std::string& path, const std::vector<uint8_t>& bytes, bool replace) {
  Problem problem;
  const AtomicWrite result = WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), replace,
      &problem);
  if (result == AtomicWrite::Failed) throw std::runtime_error(problem.Text());
  return result == AtomicWrite::Written;
}

SampleDirectory::SampleDirectory(std::string directory) : directory_(std::move(directory)) {}

bool SampleDirectory::Taken(const std::string& name, const std::vector<uint8_t>& bytes,
                            bool& identical) const {
  identical = false;
  std::string upper = name;
  if (used_.count(upper)) return true;
  const std::string path = platform::FindFileIgnoringCase(WithBackslash(directory_) + name + ".WAV");
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return false;
  identical = ReadAll(path) == bytes;
  return true;
}

SampleDirectory::Placed SampleDirectory::Place(const std::string& preferred,
                                               const std::vector<uint8_t>& bytes) {
  std::string name = preferred;
  for (int n = 1;; ++n) {
    bool identical = false;
    if (!Taken(name, bytes, identical)) break;
    if (identical) {
      used_.insert(name);
      return {name, false};
    }
    const std::string suffix = std::to_string(n);
    name = preferred.substr(0, kNameLength - suffix.size()) + suffix;
  }
  used_.insert(name);
  if (!WriteFileOrThrow(WithBackslash(directory_) + name + ".WAV", bytes, false))
    return Place(preferred, bytes);  // another process took the name just now
  return {name, true};
}

}  // namespace tonemill::soundfont
