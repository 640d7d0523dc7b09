#include "wavwriter.h"

#include "outputfile.h"
#include "wavheader.h"

#include <string_view>

namespace tonemill {
namespace {

template <class Sample>
std::vector<uint8_t> Encode(const AudioFormat& format, std::span<const Sample> samples) {
  std::vector<uint8_t> out;
  out.reserve(samples.size() * size_t(format.BytesPerSample()));
  for (Sample s : samples) {
    out.push_back(uint8_t(s));
    if (format.BytesPerSample() == 2) out.push_back(uint8_t(uint16_t(s) >> 8));
  }
  return out;
}

}  // namespace

std::vector<uint8_t> EncodePcm(const AudioFormat& format, std::span<const int32_t> samples) {
  return Encode(format, samples);
}

std::vector<uint8_t> EncodePcm(const AudioFormat& format, std::span<const int16_t> samples) {
  return Encode(format, samples);
}

std::vector<uint8_t> CanonicalWavFile(const AudioFormat& format, std::span<const uint8_t> data) {
  std::vector<uint8_t> file = CanonicalWavHeader(format, uint32_t(data.size()));
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

bool WriteCanonicalWavFile(const std::string& path, const AudioFormat& format,
                           std::span<const uint8_t> data, Problem* problem) {
  const std::vector<uint8_t> file = CanonicalWavFile(format, data);
  const std::string_view bytes(reinterpret_cast<const char*>(file.data()), file.size());
  return WriteFileAtomically(path, bytes, true, problem) == AtomicWrite::Written;
}

}  // namespace tonemill
