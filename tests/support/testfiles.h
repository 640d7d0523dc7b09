// Test helpers: a temporary directory per test, and WAV files written and read byte by byte.
#pragma once

#include "tonemill/files/audioformat.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // With a trailing separator, as the renderer takes a sample directory.
  std::string Dir() const { return path_.string() + "/"; }

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);

// A canonical 44-byte-header PCM WAV file, written by the program's own writer. For 8-bit files
// the samples are the unsigned bytes. Throws when the file cannot be written.
void WriteWav(const std::string& path, const tonemill::AudioFormat& format,
              const std::vector<int32_t>& interleaved);

// The format as the header states it, the two sizes and the samples.
struct WavData : tonemill::AudioFormat {
  uint32_t riffSize = 0, dataSize = 0;
  std::vector<int32_t> samples;  // interleaved; 8-bit as unsigned bytes
};
// Reads a canonical WAV file as the renderer writes it.
WavData ReadWav(const std::string& path);

void PutLe16(std::vector<uint8_t>& out, uint32_t v);
void PutLe32(std::vector<uint8_t>& out, uint32_t v);

}  // namespace testing_support
