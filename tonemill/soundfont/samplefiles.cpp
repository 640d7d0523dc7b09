#include "samplefiles.h"

#include "platform/filesystem.h"
#include "tonemill/files/paths.h"

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

void PutLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
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
  const uint32_t blockAlign = uint32_t(audio.channels) * 2;
  std::vector<uint8_t> b;
  b.reserve(44 + dataSize);
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(t[i]));
  };
  tag("RIFF");
  PutLe(b, dataSize + 36, 4);
  tag("WAVE");
  tag("fmt ");
  PutLe(b, 16, 4);
  PutLe(b, 1, 2);
  PutLe(b, uint32_t(audio.channels), 2);
  PutLe(b, audio.rate, 4);
  PutLe(b, audio.rate * blockAlign, 4);
  PutLe(b, blockAlign, 2);
  PutLe(b, 16, 2);
  tag("data");
  PutLe(b, dataSize, 4);
  for (int16_t s : audio.samples) PutLe(b, uint16_t(s), 2);
  return b;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, bool replace) {
  const std::string temporary = path + ".part" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      throw std::runtime_error("Cannot create file " + path);
    }
  }
  if (!replace) {
    // A hard link fails when the name exists: the check and the write are one step.
    const int linked = ::link(temporary.c_str(), path.c_str());
    const int error = errno;
    std::remove(temporary.c_str());
    if (linked == 0) return true;
    if (error == EEXIST) return false;
    throw std::runtime_error("Cannot create file " + path + ": " + std::strerror(error));
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    throw std::runtime_error("Cannot create file " + path + ": " + ec.message());
  }
  return true;
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
  if (!WriteFileAtomically(WithBackslash(directory_) + name + ".WAV", bytes, false))
    return Place(preferred, bytes);  // another process took the name just now
  return {name, true};
}

}  // namespace tonemill::soundfont
