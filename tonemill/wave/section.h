// Second-order recursive sections, the heart of the filters: one run over a block of a channel's
// samples, from the state the previous block left.
//   low/high pass: y = t(x + x2) + 2t·x1 − a1·y1 − a2·y2
//   band pass:     y = t(x − x2) − a1·y1 − a2·y2
// The output is amplification × y, or amplification × (x − y) for the complements (high pass,
// notch), clipped and rounded to nearest with halves to even. Everything is extended
// precision, evaluated left to right as written.
#pragma once

#include "samples.h"

#include <cstdint>
#include <vector>

namespace tonemill {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

enum class SectionKind { LowHigh, Band };

// A section's coefficients and what becomes of its y.
struct SectionSettings {
  SectionKind kind = SectionKind::LowHigh;
  long double t = 0, twoT = 0, a1 = 0, a2 = 0;  // twoT only for the low/high pass
  double amplification = 1;
  bool complement = false;  // the output is x − y
  SampleLimits limits = SampleLimits::For(false);
};

// One channel's block. The inputs are sample values (at most 16 bits).
struct SectionBlock {
  const int32_t* in;  // count samples; in[-2] and in[-1] are the two inputs before them
  int32_t* out;       // count samples, apart from `in`
  int64_t count;
  long double y1, y2;  // the previous outputs, carried on by the run
};

void RunSection(const SectionSettings& settings, SectionBlock& block);
// Two channels of one stereo block under the same settings, both recursions in flight at once.
void RunSections(const SectionSettings& settings, SectionBlock& left, SectionBlock& right);

// A filter over a range: each channel's two previous inputs (ahead of each block's samples) and
// two previous outputs, all zero at the start of the range.
class SectionFilter {
 public:
  explicit SectionFilter(const SectionSettings& settings) : settings_(settings) {}

  // Filter the samples in place.
  void Run(int32_t* samples, int32_t count, int channel);
  void Run(int32_t* left, int32_t* right, int32_t count);

 private:
  struct Channel {
    std::vector<int32_t> inputs{0, 0};
    long double y1 = 0, y2 = 0;
    // The block over `samples`, which are copied behind the two previous inputs.
    SectionBlock Take(int32_t* samples, int32_t count);
    void Keep(const SectionBlock& block);
  };

  SectionSettings settings_;
  Channel channels_[2];
};

// The definition as a plain loop, and the register-stack kernels that x86-64 runs instead. The
// compiler's x87 code reloads the 80-bit coefficients for every sample and finishes one sample
// before it starts the next; one sample's recursion is a chain of a multiplication and two
// subtractions that nothing can shorten, but the two channels of a stereo block are independent,
// so the kernels keep a1, a2 and both channels' state on the register stack and run the
// channels' chains side by side. That leaves no register for t: the input terms t(x ± x2) and
// 2t·x1 come from a vectorised pass instead, each as two exact double products whose sum the
// kernel rounds once, which is the extended product. The kernels clip the rounded outputs as
// integers; an output that is no integer at all (not a number, or beyond 2^63) sends the block
// back to the plain loop. The tests prove both give the same bits.
namespace sectiondetail {
void Plain(const SectionSettings& settings, SectionBlock& block);
bool HaveKernels();
// The kernels proper over a whole block; false (and the outputs and state undefined) when an
// output is no integer.
bool Kernel(const SectionSettings& settings, SectionBlock& block);
bool Kernel(const SectionSettings& settings, SectionBlock& left, SectionBlock& right);

// c = high + low exactly, high holding c's leading 32 bits, so that the products of both with
// a sum of two samples are exact doubles; low keeps c's sign when it is zero, so that the sum
// of two zero products has the sign of c × 0.
struct ExactHalves {
  double high, low;
};
ExactHalves SplitForSamples(long double c);
}  // namespace sectiondetail

}  // namespace tonemill
