#include "effecttest.h"

#include "resona/render.h"
#include "resona/wavefile.h"

#include <algorithm>
#include <random>

namespace effecttest {

void WritePcm(const std::string& path, int bits, int rate, int channels, const std::vector<int32_t>& samples) {
  std::vector<uint8_t> file(resona::kWaveHeaderSize);
  for (int32_t v : samples)
    for (int b = 0; b < bits / 8; ++b) file.push_back(uint8_t(uint32_t(v) >> (8 * b)));
  const auto header = resona::FormatHeader(1, bits, rate, channels, uint32_t(file.size() - resona::kWaveHeaderSize));
  std::copy(header.begin(), header.end(), file.begin());
  testing_support::WriteBytes(path, file);
}

std::vector<int32_t> ReadPcm(const std::string& path, int bits) {
  const std::vector<uint8_t> b = testing_support::ReadBytes(path);
  const size_t bytes = size_t(bits / 8);
  std::vector<int32_t> samples;
  for (size_t o = resona::kWaveHeaderSize; o + bytes <= b.size(); o += bytes) {
    uint32_t u = 0;
    for (size_t k = 0; k < bytes; ++k) u |= uint32_t(b[o + k]) << (8 * k);
    samples.push_back(int32_t(u << (32 - bits)) >> (32 - bits));
  }
  return samples;
}

std::vector<int32_t> RandomSamples(size_t count, int bits, uint32_t seed) {
  std::mt19937 rng(seed);
  const int64_t top = int64_t(1) << (bits - 1);
  std::uniform_int_distribution<int64_t> any(-top, top - 1);
  std::vector<int32_t> samples(count);
  for (int32_t& v : samples) v = int32_t(rng() % 10 == 0 ? (rng() % 2 ? top - 1 : -top) : any(rng));
  return samples;
}

PumpHook::PumpHook(std::function<void()> a) : action(std::move(a)) {
  resona::SetPump([](void* self) { static_cast<PumpHook*>(self)->action(); }, this);
}

PumpHook::~PumpHook() { resona::SetPump(nullptr, nullptr); }

}  // namespace effecttest
