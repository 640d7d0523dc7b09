#include "section.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace tonemill {
namespace sectiondetail {

void Plain(const SectionSettings& s, SectionBlock& block) {
  long double y1 = block.y1, y2 = block.y2;
  for (int64_t i = 0; i < block.count; ++i) {
    const long double x = block.in[i], x1 = block.in[i - 1], x2 = block.in[i - 2];
    const long double y = s.kind == SectionKind::LowHigh
                              ? s.t * (x + x2) + s.twoT * x1 - s.a1 * y1 - s.a2 * y2
                              : s.t * (x - x2) - s.a1 * y1 - s.a2 * y2;
    y2 = y1;
    y1 = y;
    block.out[i] = RoundClipped(s.amplification * (s.complement ? x - y : y), s.limits);
  }
  block.y1 = y1;
  block.y2 = y2;
}

ExactHalves SplitForSamples(long double c) {
  int exponent = 0;
  const long double fraction = std::frexp(c, &exponent);  // 0.5 ≤ |fraction| < 1
  const double high = double(std::ldexp(std::trunc(std::ldexp(fraction, 32)), exponent - 32));
  return {high, std::copysign(double(c - high), double(c))};
}

#if defined(__x86_64__)

bool HaveKernels() { return true; }

namespace {

// The input terms are made a chunk at a time, small enough to stay in the first-level cache.
constexpr int64_t kChunk = 256;
using TermArrays = double[4][kChunk];

// For sample i of a chunk: terms[0][i] + terms[1][i], rounded once, is t(x + x2) or t(x − x2);
// for the low/high pass terms[2][i] + terms[3][i] is 2t·x1. A sum of two samples has at most
// 17 bits and each half of a coefficient 32, so every product is an exact double.
struct InputCoefficients {
  SectionKind kind;
  ExactHalves t, twoT;
};

void InputTerms(const InputCoefficients& c, const int32_t* in, int64_t count, TermArrays& terms) {
  const ExactHalves t = c.t, twoT = c.twoT;
  if (c.kind == SectionKind::LowHigh) {
    for (int64_t i = 0; i < count; ++i) {
      const double sum = in[i] + in[i - 2], x1 = in[i - 1];
      terms[0][i] = t.high * sum;
      terms[1][i] = t.low * sum;
      terms[2][i] = twoT.high * x1;
      terms[3][i] = twoT.low * x1;
    }
  } else {
    for (int64_t i = 0; i < count; ++i) {
      const double difference = in[i] - in[i - 2];
      terms[0][i] = t.high * difference;
      terms[1][i] = t.low * difference;
    }
  }
}

// The halves multiply exactly only within the range of doubles, with room for 17 more bits.
bool SplitsExactly(long double c) {
  return c == 0 || (std::fabs(c) < 0x1p900L && std::fabs(c) > 0x1p-900L);
}

// One channel's chunk as the kernels see it.
struct KernelChannel {
  const TermArrays* terms;
  const int32_t* in;
  int32_t* out;
  long double y1, y2;
};

// The kernels' loops take two samples of a channel per round: the new y takes the place of y2,
// so y1 and y2 swap places on the register stack from one sample to the next and no register
// moves. A chunk of odd length starts in the middle of a round, with y1 and y2 swapped to match.
//
// Operands: the chunk's term arrays `terms0` (`terms1` for the right channel), samples `in0`
// and `out0` (`in1`, `out1`), the index `i` of the round's first sample and the length `n`.

static_assert(kChunk * sizeof(double) == 2048, "the term addresses below");
#define TONEMILL_TERM(array, channel, next) \
  #array "*2048+" #next "*8(%[terms" #channel "],%[i],8)"

// Pushes the input term P of sample i + next.
#define TONEMILL_LOWHIGH_TERM(channel, next)           \
  "fldl " TONEMILL_TERM(0, channel, next) "\n\t"       \
  "faddl " TONEMILL_TERM(1, channel, next) "\n\t"      \
  "fldl " TONEMILL_TERM(2, channel, next) "\n\t"       \
  "faddl " TONEMILL_TERM(3, channel, next) "\n\t"      \
  "faddp\n\t" /* t(x + x2) + 2t·x1 */
#define TONEMILL_BAND_TERM(channel, next)              \
  "fldl " TONEMILL_TERM(0, channel, next) "\n\t"       \
  "faddl " TONEMILL_TERM(1, channel, next) "\n\t"

// y = P − a1·y1 − a2·y2 with P pushed, y1 and y2 at st(y1) and st(y2), a1 and a2 at st(coef)
// when used; pops P and leaves y in y2's place.
#define TONEMILL_FEEDBACK(y1, y2, coef)                \
  "fld %%st(" #y1 ")\n\t"                              \
  "fmul %%st(" #coef "), %%st\n\t"                     \
  "fsubrp\n\t"               /* P − a1·y1 */           \
  "fxch %%st(" #y2 ")\n\t"                             \
  "fmul %%st(" #coef "), %%st\n\t"                     \
  "fsubrp %%st, %%st(" #y2 ")\n\t" /* − a2·y2 */

// Sample i + next of the channel from y at st(y): amplification × (y or x − y), rounded, clipped
// as an integer; to label 8 when it is no integer.
#define TONEMILL_OUTPUT(y, channel, next)                              \
  "fld %%st(" #y ")\n\t"                                               \
  "cmpb $0, %[complement]\n\t"                                         \
  "je 2f\n\t"                                                          \
  "fisubrl " #next "*4(%[in" #channel "],%[i],4)\n"                    \
  "2:\n\t"                                                             \
  "fmull %[amplification]\n\t"                                         \
  "fistpll %[rounded]\n\t"                                             \
  "mov %[rounded], %%rax\n\t"                                          \
  "cmp %[noInteger], %%rax\n\t"                                        \
  "je 8f\n\t"                                                          \
  "cmp %[low], %%rax\n\t"                                              \
  "cmovl %[low], %%rax\n\t"                                            \
  "cmp %[high], %%rax\n\t"                                             \
  "cmovg %[high], %%rax\n\t"                                           \
  "mov %%eax, " #next "*4(%[out" #channel "],%[i],4)\n\t"

// The kernels' frame: the coefficients and then the channels' states (LOAD) pushed; rounds of
// FIRST_HALF and SECOND_HALF (a sample each), entered at the second half for an odd length;
// then the states stored (STORE) and the stack emptied. On an output that is no integer
// (label 8) the stack is emptied (DROP) and `done` is false.
#define TONEMILL_POP "fstp %%st(0)\n\t"
#define TONEMILL_POP2 TONEMILL_POP TONEMILL_POP
#define TONEMILL_LOAD(channel) "fldt %[second" #channel "]\n\t" "fldt %[first" #channel "]\n\t"
#define TONEMILL_STORE(channel) "fstpt %[y1_" #channel "]\n\t" "fstpt %[y2_" #channel "]\n\t"
#define TONEMILL_FRAME(LOAD, FIRST_HALF, SECOND_HALF, STORE, DROP)     \
  "fldt %[a2]\n\t"                                                     \
  "fldt %[a1]\n\t"                                                     \
  LOAD                                                                 \
  "test $1, %[n]\n\t"                                                  \
  "jnz 4f\n"                                                           \
  "1:\n\t"                                                             \
  FIRST_HALF                                                           \
  "4:\n\t"                                                             \
  SECOND_HALF                                                          \
  "add $2, %[i]\n\t"                                                   \
  "cmp %[n], %[i]\n\t"                                                 \
  "jl 1b\n\t"                                                          \
  STORE TONEMILL_POP2                                                  \
  "movb $1, %[done]\n\t"                                               \
  "jmp 9f\n"                                                           \
  "8:\n\t"                                                             \
  DROP                                                                 \
  "movb $0, %[done]\n"                                                 \
  "9:\n\t"

// One channel; the register stack holds y1 y2 a1 a2.
#define TONEMILL_KERNEL(TERM)                                                          \
  TONEMILL_FRAME(TONEMILL_LOAD(0),                                                     \
                 TERM(0, 0) TONEMILL_FEEDBACK(1, 2, 4) TONEMILL_OUTPUT(1, 0, 0),       \
                 TERM(0, 1) TONEMILL_FEEDBACK(2, 1, 4) TONEMILL_OUTPUT(0, 0, 1),       \
                 TONEMILL_STORE(0), TONEMILL_POP2 TONEMILL_POP2)

// Two channels, the left one's step then the right one's; the register stack holds
// left y1 y2, right y1 y2, a1 a2.
#define TONEMILL_PAIR_KERNEL(TERM)                                                     \
  TONEMILL_FRAME(TONEMILL_LOAD(1) TONEMILL_LOAD(0),                                    \
                 TERM(0, 0) TONEMILL_FEEDBACK(1, 2, 6) TONEMILL_OUTPUT(1, 0, 0)        \
                 TERM(1, 0) TONEMILL_FEEDBACK(3, 4, 6) TONEMILL_OUTPUT(3, 1, 0),       \
                 TERM(0, 1) TONEMILL_FEEDBACK(2, 1, 6) TONEMILL_OUTPUT(0, 0, 1)        \
                 TERM(1, 1) TONEMILL_FEEDBACK(4, 3, 6) TONEMILL_OUTPUT(2, 1, 1),       \
                 TONEMILL_STORE(0) TONEMILL_STORE(1), TONEMILL_POP2 TONEMILL_POP2 TONEMILL_POP2)

#define TONEMILL_SETTINGS_OPERANDS                                                      \
  [a1] "m"(s.a1), [a2] "m"(s.a2), [amplification] "m"(s.amplification),                 \
      [complement] "m"(s.complement), [low] "m"(limits.low), [high] "m"(limits.high),     \
      [noInteger] "m"(limits.noInteger), [n] "r"(n)
#define TONEMILL_CLOBBERS                                                                \
  "rax", "cc", "memory", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)"

// The limits as the kernels compare the rounded outputs with them.
struct IntegerLimits {
  int64_t low, high, noInteger = INT64_MIN;  // what the processor stores for no integer
};

// The state as the loop's first step expects it.
std::pair<long double, long double> Entry(const KernelChannel& c, int64_t n) {
  return n & 1 ? std::pair{c.y2, c.y1} : std::pair{c.y1, c.y2};
}

template <SectionKind kKind>
bool ChunkKernel(const SectionSettings& s, KernelChannel& c, int64_t n) {
  const auto [first0, second0] = Entry(c, n);
  const IntegerLimits limits{s.limits.low, s.limits.high};
  int64_t i = -(n & 1);
  int64_t rounded;
  bool done;
#define TONEMILL_OPERANDS                                                                \
  : [i] "+r"(i), [rounded] "=m"(rounded), [done] "=m"(done), [y1_0] "=m"(c.y1),         \
    [y2_0] "=m"(c.y2)                                                                    \
  : [terms0] "r"(c.terms), [in0] "r"(c.in), [out0] "r"(c.out), [first0] "m"(first0),     \
    [second0] "m"(second0), TONEMILL_SETTINGS_OPERANDS                                   \
  : TONEMILL_CLOBBERS
  if constexpr (kKind == SectionKind::LowHigh)
    __asm__ volatile(TONEMILL_KERNEL(TONEMILL_LOWHIGH_TERM) TONEMILL_OPERANDS);
  else
    __asm__ volatile(TONEMILL_KERNEL(TONEMILL_BAND_TERM) TONEMILL_OPERANDS);
#undef TONEMILL_OPERANDS
  return done;
}

template <SectionKind kKind>
bool ChunkKernel(const SectionSettings& s, KernelChannel& left, KernelChannel& right, int64_t n) {
  const auto [first0, second0] = Entry(left, n);
  const auto [first1, second1] = Entry(right, n);
  const IntegerLimits limits{s.limits.low, s.limits.high};
  int64_t i = -(n & 1);
  int64_t rounded;
  bool done;
#define TONEMILL_OPERANDS                                                                \
  : [i] "+r"(i), [rounded] "=m"(rounded), [done] "=m"(done), [y1_0] "=m"(left.y1),      \
    [y2_0] "=m"(left.y2), [y1_1] "=m"(right.y1), [y2_1] "=m"(right.y2)                   \
  : [terms0] "r"(left.terms), [in0] "r"(left.in), [out0] "r"(left.out),                  \
    [terms1] "r"(right.terms), [in1] "r"(right.in), [out1] "r"(right.out),               \
    [first0] "m"(first0), [second0] "m"(second0), [first1] "m"(first1),                  \
    [second1] "m"(second1), TONEMILL_SETTINGS_OPERANDS                                   \
  : TONEMILL_CLOBBERS
  if constexpr (kKind == SectionKind::LowHigh)
    __asm__ volatile(TONEMILL_PAIR_KERNEL(TONEMILL_LOWHIGH_TERM) TONEMILL_OPERANDS);
  else
    __asm__ volatile(TONEMILL_PAIR_KERNEL(TONEMILL_BAND_TERM) TONEMILL_OPERANDS);
#undef TONEMILL_OPERANDS
  return done;
}

#undef TONEMILL_TERM
#undef TONEMILL_LOWHIGH_TERM
#undef TONEMILL_BAND_TERM
#undef TONEMILL_FEEDBACK
#undef TONEMILL_OUTPUT
#undef TONEMILL_KERNEL
#undef TONEMILL_PAIR_KERNEL
#undef TONEMILL_FRAME
#undef TONEMILL_LOAD
#undef TONEMILL_STORE
#undef TONEMILL_POP2
#undef TONEMILL_POP
#undef TONEMILL_SETTINGS_OPERANDS
#undef TONEMILL_CLOBBERS

// Runs the blocks chunk by chunk: the input terms of a chunk, then the kernel over it.
template <size_t kChannels>
bool ChunkedKernel(const SectionSettings& s, SectionBlock* (&blocks)[kChannels]) {
  if (!SplitsExactly(s.t) || (s.kind == SectionKind::LowHigh && !SplitsExactly(s.twoT)))
    return false;
  const InputCoefficients coefficients{s.kind, SplitForSamples(s.t), SplitForSamples(s.twoT)};
  TermArrays terms[kChannels];
  KernelChannel channels[kChannels];
  for (size_t c = 0; c < kChannels; ++c)
    channels[c] = {&terms[c], nullptr, nullptr, blocks[c]->y1, blocks[c]->y2};
  const int64_t count = blocks[0]->count;
  for (int64_t done = 0; done < count; done += kChunk) {
    const int64_t n = std::min(kChunk, count - done);
    for (size_t c = 0; c < kChannels; ++c) {
      InputTerms(coefficients, blocks[c]->in + done, n, terms[c]);
      channels[c].in = blocks[c]->in + done;
      channels[c].out = blocks[c]->out + done;
    }
    const bool lowHigh = s.kind == SectionKind::LowHigh;
    bool ok;
    if constexpr (kChannels == 1)
      ok = lowHigh ? ChunkKernel<SectionKind::LowHigh>(s, channels[0], n)
                   : ChunkKernel<SectionKind::Band>(s, channels[0], n);
    else
      ok = lowHigh ? ChunkKernel<SectionKind::LowHigh>(s, channels[0], channels[1], n)
                   : ChunkKernel<SectionKind::Band>(s, channels[0], channels[1], n);
    if (!ok) return false;
  }
  for (size_t c = 0; c < kChannels; ++c) {
    blocks[c]->y1 = channels[c].y1;
    blocks[c]->y2 = channels[c].y2;
  }
  return true;
}

}  // namespace

bool Kernel(const SectionSettings& settings, SectionBlock& block) {
  SectionBlock* blocks[] = {&block};
  return ChunkedKernel(settings, blocks);
}

bool Kernel(const SectionSettings& settings, SectionBlock& left, SectionBlock& right) {
  SectionBlock* blocks[] = {&left, &right};
  return ChunkedKernel(settings, blocks);
}

#else

bool HaveKernels() { return false; }
bool Kernel(const SectionSettings&, SectionBlock&) { return false; }
bool Kernel(const SectionSettings&, SectionBlock&, SectionBlock&) { return false; }

#endif

}  // namespace sectiondetail

void RunSection(const SectionSettings& settings, SectionBlock& block) {
  const SectionBlock start = block;
  if (sectiondetail::Kernel(settings, block)) return;
  block = start;
  sectiondetail::Plain(settings, block);
}

void RunSections(const SectionSettings& settings, SectionBlock& left, SectionBlock& right) {
  const SectionBlock leftStart = left, rightStart = right;
  if (sectiondetail::Kernel(settings, left, right)) return;
  left = leftStart;
  right = rightStart;
  sectiondetail::Plain(settings, left);
  sectiondetail::Plain(settings, right);
}

SectionBlock SectionFilter::Channel::Take(int32_t* samples, int32_t count) {
  inputs.resize(size_t(count) + 2);
  std::copy(samples, samples + count, inputs.begin() + 2);
  return {inputs.data() + 2, samples, count, y1, y2};
}

void SectionFilter::Channel::Keep(const SectionBlock& block) {
  y1 = block.y1;
  y2 = block.y2;
  std::copy(inputs.end() - 2, inputs.end(), inputs.begin());
}

void SectionFilter::Run(int32_t* samples, int32_t count, int channel) {
  Channel& c = channels_[channel];
  SectionBlock block = c.Take(samples, count);
  RunSection(settings_, block);
  c.Keep(block);
}

void SectionFilter::Run(int32_t* left, int32_t* right, int32_t count) {
  SectionBlock l = channels_[0].Take(left, count), r = channels_[1].Take(right, count);
  RunSections(settings_, l, r);
  channels_[0].Keep(l);
  channels_[1].Keep(r);
}

}  // namespace tonemill
