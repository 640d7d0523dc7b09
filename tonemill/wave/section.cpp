#include "section.h"

#include <algorithm>

#include "samples.h"

#include <climits>
#include <cstddef>

namespace tonemill {
namespace sectiondetail {
namespace {

inline int32_t Output(const SectionRun& run, long double x, long double y) {
  return RoundClipped(run.amplification * (run.complement ? x - y : y),
                      SampleLimits{int32_t(run.low), int32_t(run.high)});
}

}  // namespace

void LowHighPlain(SectionRun& run) {
  long double y1 = run.y1, y2 = run.y2;
  for (int64_t i = 0; i < run.count; ++i) {
    const long double x = run.in[i], x1 = run.in[i - 1], x2 = run.in[i - 2];
    const long double y = run.t * (x + x2) + run.twoT * x1 - run.a1 * y1 - run.a2 * y2;
    y2 = y1;
    y1 = y;
    run.out[i] = Output(run, x, y);
  }
  run.y1 = y1;
  run.y2 = y2;
}

void BandPlain(SectionRun& run) {
  long double y1 = run.y1, y2 = run.y2;
  for (int64_t i = 0; i < run.count; ++i) {
    const long double x = run.in[i], x2 = run.in[i - 2];
    const long double y = run.t * (x - x2) - run.a1 * y1 - run.a2 * y2;
    y2 = y1;
    y1 = y;
    run.out[i] = Output(run, x, y);
  }
  run.y1 = y1;
  run.y2 = y2;
}

#if defined(__x86_64__)

bool HaveKernels() { return true; }

// The output step both kernels share: amplification × (y or x − y), stored rounded (the
// default rounding mode) into `rounded`. Entry: y y ...; exit: the copy popped.
#define TONEMILL_SECTION_OUTPUT                                  \
  "cmpq $0, %c[complement](%[r])\n\t"                            \
  "je 2f\n\t"                                                    \
  "fisubrl (%%rsi)\n"         /* x − y */                        \
  "2:\n\t"                                                       \
  "fmull %c[amplification](%[r])\n\t"                            \
  "fistpll (%%rdi)\n\t"

#define TONEMILL_SECTION_OPERANDS                                                            \
  : [r] "r"(&run), [in] "i"(offsetof(SectionRun, in)), [out] "i"(offsetof(SectionRun, out)), \
    [count] "i"(offsetof(SectionRun, count)), [t] "i"(offsetof(SectionRun, t)),              \
    [twoT] "i"(offsetof(SectionRun, twoT)), [a1] "i"(offsetof(SectionRun, a1)),              \
    [a2] "i"(offsetof(SectionRun, a2)), [y1] "i"(offsetof(SectionRun, y1)),                  \
    [y2] "i"(offsetof(SectionRun, y2)),                                                      \
    [amplification] "i"(offsetof(SectionRun, amplification)),                                \
    [complement] "i"(offsetof(SectionRun, complement)), [rounded] "i"(offsetof(SectionRun, rounded))                                       \
  : "rsi", "rdi", "rcx", "cc", "memory", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)",  \
    "st(6)", "st(7)"

void LowHighKernel(SectionRun& run) {
  __asm__ volatile(
      "fldt %c[a2](%[r])\n\t"
      "fldt %c[a1](%[r])\n\t"
      "fldt %c[twoT](%[r])\n\t"
      "fldt %c[t](%[r])\n\t"
      "fldt %c[y2](%[r])\n\t"
      "fldt %c[y1](%[r])\n\t"     // y1 y2 t 2t a1 a2
      "mov %c[in](%[r]), %%rsi\n\t"
      "mov %c[rounded](%[r]), %%rdi\n\t"
      "mov %c[count](%[r]), %%rcx\n\t"
      "test %%rcx, %%rcx\n\t"
      "jle 9f\n"
      "1:\n\t"
      "fildl (%%rsi)\n\t"         // x y1 y2 t 2t a1 a2
      "fiaddl -8(%%rsi)\n\t"      // x + x2
      "fmul %%st(3), %%st\n\t"    // t(x + x2)
      "fildl -4(%%rsi)\n\t"
      "fmul %%st(5), %%st\n\t"    // 2t·x1
      "faddp\n\t"
      "fld %%st(1)\n\t"
      "fmul %%st(6), %%st\n\t"    // a1·y1
      "fsubrp\n\t"
      "fld %%st(2)\n\t"
      "fmul %%st(7), %%st\n\t"    // a2·y2
      "fsubrp\n\t"                // y y1 y2 t 2t a1 a2
      "fxch %%st(2)\n\t"
      "fstp %%st(0)\n\t"
      "fxch %%st(1)\n\t"          // y y1 t 2t a1 a2: the new y1 and y2
      "fld %%st(0)\n\t"
      TONEMILL_SECTION_OUTPUT
      "add $4, %%rsi\n\t"
      "add $8, %%rdi\n\t"
      "dec %%rcx\n\t"
      "jnz 1b\n"
      "9:\n\t"
      "fstpt %c[y1](%[r])\n\t"
      "fstpt %c[y2](%[r])\n\t"
      "fstp %%st(0)\n\t"
      "fstp %%st(0)\n\t"
      "fstp %%st(0)\n\t"
      "fstp %%st(0)\n\t"
      :
      TONEMILL_SECTION_OPERANDS);
}

void BandKernel(SectionRun& run) {
  __asm__ volatile(
      "fldt %c[a2](%[r])\n\t"
      "fldt %c[a1](%[r])\n\t"
      "fldt %c[t](%[r])\n\t"
      "fldt %c[y2](%[r])\n\t"
      "fldt %c[y1](%[r])\n\t"     // y1 y2 t a1 a2
      "mov %c[in](%[r]), %%rsi\n\t"
      "mov %c[rounded](%[r]), %%rdi\n\t"
      "mov %c[count](%[r]), %%rcx\n\t"
      "test %%rcx, %%rcx\n\t"
      "jle 9f\n"
      "1:\n\t"
      "fildl (%%rsi)\n\t"         // x y1 y2 t a1 a2
      "fisubl -8(%%rsi)\n\t"      // x − x2
      "fmul %%st(3), %%st\n\t"    // t(x − x2)
      "fld %%st(1)\n\t"
      "fmul %%st(5), %%st\n\t"    // a1·y1
      "fsubrp\n\t"
      "fld %%st(2)\n\t"
      "fmul %%st(6), %%st\n\t"    // a2·y2
      "fsubrp\n\t"                // y y1 y2 t a1 a2
      "fxch %%st(2)\n\t"
      "fstp %%st(0)\n\t"
      "fxch %%st(1)\n\t"          // y y1 t a1 a2
      "fld %%st(0)\n\t"
      TONEMILL_SECTION_OUTPUT
      "add $4, %%rsi\n\t"
      "add $8, %%rdi\n\t"
      "dec %%rcx\n\t"
      "jnz 1b\n"
      "9:\n\t"
      "fstpt %c[y1](%[r])\n\t"
      "fstpt %c[y2](%[r])\n\t"
      "fstp %%st(0)\n\t"
      "fstp %%st(0)\n\t"
      "fstp %%st(0)\n\t"
      :
      TONEMILL_SECTION_OPERANDS);
}

#undef TONEMILL_SECTION_OUTPUT
#undef TONEMILL_SECTION_OPERANDS

#else

bool HaveKernels() { return false; }
void LowHighKernel(SectionRun& run) { LowHighPlain(run); }
void BandKernel(SectionRun& run) { BandPlain(run); }

#endif

}  // namespace sectiondetail

namespace {

// Clips the kernel's rounded outputs into the samples; false when one is no integer.
bool ClipRounded(SectionRun& run) {
  for (int64_t i = 0; i < run.count; ++i)
    if (run.rounded[i] == INT64_MIN) return false;
  const int64_t low = int64_t(run.low), high = int64_t(run.high);
  for (int64_t i = 0; i < run.count; ++i) {
    const int64_t v = run.rounded[i];
    run.out[i] = int32_t(v < low ? low : v > high ? high : v);
  }
  return true;
}

template <void (*Kernel)(SectionRun&), void (*Plain)(SectionRun&)>
void RunSection(SectionRun& run) {
  if (sectiondetail::HaveKernels()) {
    const long double y1 = run.y1, y2 = run.y2;
    Kernel(run);
    if (ClipRounded(run)) return;
    run.y1 = y1;
    run.y2 = y2;
  }
  Plain(run);
}

}  // namespace

void RunLowHighSection(SectionRun& run) {
  RunSection<sectiondetail::LowHighKernel, sectiondetail::LowHighPlain>(run);
}

void RunBandSection(SectionRun& run) {
  RunSection<sectiondetail::BandKernel, sectiondetail::BandPlain>(run);
}

void SectionChannel::Reset() {
  inputs_.assign(2, 0);
  y1_ = y2_ = 0;
}

void SectionChannel::Run(int32_t* samples, int32_t count, SectionRun settings,
                         void (*kernel)(SectionRun&)) {
  inputs_.resize(size_t(count) + 2);
  std::copy(samples, samples + count, inputs_.begin() + 2);
  rounded_.resize(size_t(count));
  settings.in = inputs_.data() + 2;
  settings.out = samples;
  settings.rounded = rounded_.data();
  settings.count = count;
  settings.y1 = y1_;
  settings.y2 = y2_;
  kernel(settings);
  y1_ = settings.y1;
  y2_ = settings.y2;
  std::copy(inputs_.end() - 2, inputs_.end(), inputs_.begin());
}

}  // namespace tonemill
