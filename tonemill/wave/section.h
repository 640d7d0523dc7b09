// Second-order recursive sections, the heart of the filters: one run over a block of one
// channel's samples, from the state the previous block left.
//   low/high pass: y = t(x + x2) + 2t·x1 − a1·y1 − a2·y2
//   band pass:     y = t(x − x2) − a1·y1 − a2·y2
// The output is amplification × y, or amplification × (x − y) for the complements (high pass,
// notch), clipped and rounded to nearest with halves to even. Everything is extended
// precision.
#pragma once

#include <cstdint>
#include <vector>

namespace tonemill {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

struct SectionRun {
  const int32_t* in;  // count samples; in[-2] and in[-1] are the two inputs before them
  int32_t* out;
  int64_t* rounded;   // count places the kernels use for the unclipped outputs
  int64_t count;
  long double t, twoT, a1, a2;  // twoT only for the low/high pass
  long double y1, y2;           // the previous outputs, updated by the run
  double amplification;
  float low, high;              // the sample limits
  int64_t complement;           // nonzero: the output is x − y
};

void RunLowHighSection(SectionRun& run);
void RunBandSection(SectionRun& run);

// One channel of a filter over a range: the two previous inputs ahead of each block's samples
// and the two previous outputs, all zero at the start of the range.
class SectionChannel {
 public:
  void Reset();
  // Runs `kernel` over the block in place with the coefficients, amplification and limits of
  // `settings`, carrying the state on to the next block.
  void Run(int32_t* samples, int32_t count, SectionRun settings, void (*kernel)(SectionRun&));

 private:
  std::vector<int32_t> inputs_{0, 0};
  std::vector<int64_t> rounded_;
  long double y1_ = 0, y2_ = 0;
};

// The definitions as plain loops, and the register-stack kernels that x86 runs instead: the
// compiler's x87 code reloads the 80-bit coefficients for every sample, the kernels keep them
// and the state on the register stack, and store the rounded outputs unclipped, to be clipped
// as integers afterwards. An output that is no integer at all (not a number, or beyond 2^63)
// sends the block back to the plain loop. The tests prove both give the same bits.
namespace sectiondetail {
void LowHighPlain(SectionRun& run);
void BandPlain(SectionRun& run);
bool HaveKernels();
// The kernels proper: the recursion, and amplification × (y or x − y) rounded into `rounded`.
void LowHighKernel(SectionRun& run);
void BandKernel(SectionRun& run);
}  // namespace sectiondetail

}  // namespace tonemill
