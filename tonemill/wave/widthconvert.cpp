#include "widthconvert.h"

#include "samples.h"
#include "wavblocks.h"

#include <algorithm>
#include <vector>

namespace tonemill {
namespace {

// The width an encoding's values have in the engines.
int32_t ValueBits(const WaveEncoding& e) { return e.isFloat ? 32 : e.format.bits; }

SampleLayout MonoLayout(const WaveEncoding& e) {
  return LayoutOf(WaveEncoding{{e.format.rate, e.format.bits, 1}, e.isFloat});
}

}  // namespace

std::optional<WaveEncoding> EncodingNamed(const std::string& bits, const AudioFormat& format) {
  WaveEncoding e{format, bits == "float"};
  if (e.isFloat) {
    e.format.bits = 32;
    return e;
  }
  for (int32_t b : {8, 16, 24, 32})
    if (bits == std::to_string(b)) {
      e.format.bits = b;
      return e;
    }
  return std::nullopt;
}

void ConvertWavWidth(const std::string& source, const std::string& target, WaveEncoding encoding,
                     Progress& progress) {
  WavInputData input(source);
  encoding.format.rate = input.Format().rate;
  encoding.format.channels = input.Format().channels;
  WavOutputData output(target, encoding);
  const WaveEncoding& from = input.Encoding();
  const int32_t shift = ValueBits(encoding) - ValueBits(from);
  const SampleLayout in = MonoLayout(from), out = MonoLayout(encoding);
  const size_t inBytes = size_t(from.SampleBytes()), outBytes = size_t(encoding.SampleBytes());
  const int64_t whole = input.WholeFrameBytes();
  constexpr int64_t kSamples = 16384;
  std::vector<uint8_t> block(size_t(kSamples) * inBytes), converted(size_t(kSamples) * outBytes);
  for (int64_t offset = 0; offset < whole && !CancelRequested(progress);) {
    const size_t got = input.Read(block.data(), size_t(std::min<int64_t>(kSamples * int64_t(inBytes), whole - offset)), offset);
    const size_t count = got / inBytes;
    if (count == 0) break;
    WithLayout(in, [&]<SampleLayout I>() {
      WithLayout(out, [&]<SampleLayout O>() {
        for (size_t i = 0; i < count; ++i) {
          const int64_t v = samples::DecodeOne<I>(&block[i * inBytes]);
          samples::EncodeOne<O>(int32_t(shift >= 0 ? v * (int64_t(1) << shift) : v >> -shift), &converted[i * outBytes]);
        }
      });
    });
    output.Append(converted.data(), count * outBytes);
    offset += int64_t(count * inBytes);
  }
  output.Finish();
}

}  // namespace tonemill
