#include "samplefile.h"

#include "platform/filesystem.h"
#include "resample.h"
#include "status.h"
#include "wavefile.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <sys/stat.h>

namespace resona {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

// Reads `count` frames starting at frame `first` and converts them to the output layout.
// Frames the file does not hold (past its data chunk or its end) stay silent.
void ReadFrames(FILE* file, const WaveInfo& info, int64_t fileSize, int64_t first, int64_t count,
                bool stereoOut, int16_t* left, int16_t* right) {
  const bool eightBit = info.bitsPerSample == 8;
  const int64_t frameSize = int64_t(info.channels) * (eightBit ? 1 : 2);
  const int64_t dataSize = int64_t(uint32_t(info.dataSize));
  const int64_t available =
      std::max<int64_t>(0, std::min(dataSize, fileSize - info.dataOffset)) / frameSize;
  const int64_t readable = std::clamp<int64_t>(available - first, 0, count);
  if (readable == 0) return;
  if (fseeko(file, off_t(info.dataOffset + first * frameSize), SEEK_SET) != 0) return;

  constexpr int64_t kChunkFrames = 16384;
  std::vector<uint8_t> raw(size_t(kChunkFrames * frameSize));
  for (int64_t done = 0; done < readable;) {
    int64_t want = std::min(kChunkFrames, readable - done);
    int64_t got = int64_t(std::fread(raw.data(), size_t(frameSize), size_t(want), file));
    for (int64_t f = 0; f < got; ++f) {
      const uint8_t* p = raw.data() + f * frameSize;
      int64_t o = done + f;
      if (info.channels == 1) {
        left[o] = eightBit ? int16_t((p[0] - 128) * 256) : int16_t(Le16(p));
      } else if (!stereoOut) {
        if (eightBit) {
          left[o] = int16_t(((p[0] + p[1] - 256) >> 1) * 256);
        } else {
          int32_t sum = (int32_t(int16_t(Le16(p))) + int16_t(Le16(p + 2))) >> 1;
          left[o] = int16_t(std::clamp(sum, -32768, 32767));
        }
      } else {
        left[o] = eightBit ? int16_t((p[0] - 128) * 256) : int16_t(Le16(p));
        right[o] = eightBit ? int16_t((p[1] - 128) * 256) : int16_t(Le16(p + 2));
      }
    }
    if (got < want) return;
    done += got;
  }
}

}  // namespace

std::string SampleFilePath(const std::string& directory, const std::string& name) {
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
      name.find("..") != std::string::npos)
    return {};
  return platform::FindFileIgnoringCase(directory + name + ".WAV");
}

int32_t ResampleArrays(int32_t A, int32_t B, const std::vector<int16_t>& left,
                       const std::vector<int16_t>& right, int64_t length,
                       std::vector<int16_t>& outLeft, std::vector<int16_t>& outRight,
                       int64_t tail, int64_t maxSamples) {
  ResampleKernel kernel = BuildKernel(A, B);
  int64_t outLength = ResampledLength(length, kernel.A, kernel.B);
  int64_t channels = right.empty() ? 1 : 2;
  if ((outLength + tail) * channels > maxSamples) return kOutOfMemory;
  Resampler resampler(kernel);
  outLeft.assign(size_t(outLength + tail), 0);
  resampler.Run(left.data(), length, outLeft.data(), outLength);
  outRight.clear();
  if (!right.empty()) {
    outRight.assign(size_t(outLength + tail), 0);
    resampler.Run(right.data(), length, outRight.data(), outLength);
  }
  return kOk;
}

int32_t LoadInstrumentSample(const std::string& directory, const InstrumentLine& line,
                             int32_t outputChannels, int32_t outputRate, int64_t maxSamples,
                             InstrumentSample& out) {
  return LoadSampleFile(SampleFilePath(directory, line.sampleName), line, outputChannels,
                        outputRate, maxSamples, out);
}

int32_t LoadSampleFile(const std::string& path, const InstrumentLine& line, int32_t outputChannels,
                       int32_t outputRate, int64_t maxSamples, InstrumentSample& out) {
  out = InstrumentSample{};
  if (path.empty()) return kSampleReadFailure;
  WaveInfo info = ReadWaveInfo(path.c_str());
  // Only 8- and 16-bit data can be converted; other widths would play as noise.
  if (!info.valid || (info.bitsPerSample != 8 && info.bitsPerSample != 16) || info.sampleRate < 1)
    return kSampleReadFailure;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  struct stat st {};
  if (!file || ::fstat(fileno(file.get()), &st) != 0) return kSampleReadFailure;

  const bool stereoOut = outputChannels == 2 && info.channels == 2;
  const int64_t n = int64_t(line.endPos) - line.startPos + 1;
  const bool looped = line.loopStart >= 0;
  const int64_t L = looped ? int64_t(line.loopEnd) - line.loopStart + 1 : 0;
  const int64_t total = n + 2 * L;
  if (total * (stereoOut ? 2 : 1) > maxSamples) return kOutOfMemory;
  out.left.assign(size_t(total + kArrayTail), 0);
  if (stereoOut) out.right.assign(size_t(total + kArrayTail), 0);
  ReadFrames(file.get(), info, st.st_size, line.startPos, n, stereoOut, out.left.data(),
             stereoOut ? out.right.data() : nullptr);
  file.reset();

  // Unroll the loop: frames up to the loop end, two copies of the loop, then the tail; the loop
  // then refers to the middle copy.
  out.length = total;
  out.endPosition = n - 1;
  if (looped) {
    int64_t ls = line.loopStart - line.startPos;
    int64_t le = line.loopEnd - line.startPos;
    for (auto* a : {&out.left, &out.right}) {
      if (a->empty()) continue;
      int16_t* d = a->data();
      std::copy_backward(d + le + 1, d + n, d + n + 2 * L);
      std::copy(d + ls, d + le + 1, d + le + 1);
      std::copy(d + ls, d + le + 1, d + le + 1 + L);
    }
    out.loopStart = ls + L;
    out.loopEnd = le + L;
    out.endPosition += 2 * L;
  }

  if (info.sampleRate != outputRate) {
    std::vector<int16_t> left, right;
    int32_t status = ResampleArrays(outputRate, info.sampleRate, out.left, out.right, out.length,
                                    left, right, kArrayTail, maxSamples);
    if (status != kOk) return status;
    int64_t g = Gcd(outputRate, info.sampleRate);
    out.length = ResampledLength(out.length, int32_t(outputRate / g), int32_t(info.sampleRate / g));
    out.left = std::move(left);
    out.right = std::move(right);
    // Positions are rescaled with a single-precision product and quotient, then truncated.
    auto rescale = [&](int64_t p) {
      float scaled = float(p * int64_t(outputRate)) / float(info.sampleRate);
      return int64_t(scaled);
    };
    out.endPosition = std::min(rescale(out.endPosition), out.length - 1);
    if (looped) {
      out.loopStart = std::min(rescale(out.loopStart), out.endPosition);
      out.loopEnd = std::max(std::min(rescale(out.loopEnd), out.endPosition), out.loopStart);
    }
  }
  return kOk;
}

}  // namespace resona
