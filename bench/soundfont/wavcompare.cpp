// Compares two renders of one song: the loudness envelope (RMS in 50 ms windows, both starts
// aligned on the first sound) by Pearson correlation, and the level of each (peak, clipping).
//   wavcompare REFERENCE.wav TEST.wav
#include "wavread.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

// The first frame louder than -60 dB of the file's peak.
size_t FirstSound(const bench::Signal& s) {
  const double threshold = s.peak * 0.001;
  for (size_t i = 0; i < s.mono.size(); ++i)
    if (std::abs(s.mono[i]) > threshold) return i;
  return 0;
}

std::vector<double> RmsWindows(const bench::Signal& s, size_t from) {
  const size_t window = size_t(s.rate) / 20;
  std::vector<double> out;
  for (size_t start = from; start + window <= s.mono.size(); start += window) {
    double sum = 0;
    for (size_t i = start; i < start + window; ++i) sum += s.mono[i] * s.mono[i];
    out.push_back(std::sqrt(sum / double(window)));
  }
  return out;
}

double Pearson(std::vector<double> a, std::vector<double> b) {
  const size_t n = std::max(a.size(), b.size());  // the shorter render is silent at its end
  a.resize(n, 0.0);
  b.resize(n, 0.0);
  double ma = 0, mb = 0;
  for (size_t i = 0; i < n; ++i) ma += a[i], mb += b[i];
  ma /= double(n), mb /= double(n);
  double sab = 0, saa = 0, sbb = 0;
  for (size_t i = 0; i < n; ++i) {
    sab += (a[i] - ma) * (b[i] - mb);
    saa += (a[i] - ma) * (a[i] - ma);
    sbb += (b[i] - mb) * (b[i] - mb);
  }
  return saa > 0 && sbb > 0 ? sab / std::sqrt(saa * sbb) : 0.0;
}

double Db(double v) { return v > 0 ? 20.0 * std::log10(v) : -999.0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: wavcompare REFERENCE.wav TEST.wav\n");
    return 2;
  }
  try {
    const bench::Signal ref = bench::ReadSignal(argv[1]), test = bench::ReadSignal(argv[2]);
    if (ref.rate != test.rate) throw std::runtime_error("the two files differ in rate");
    const size_t refStart = FirstSound(ref), testStart = FirstSound(test);
    const double r = Pearson(RmsWindows(ref, refStart), RmsWindows(test, testStart));
    std::printf("correlation=%.4f offset_ms=%.1f ref_seconds=%.2f test_seconds=%.2f "
                "ref_peak_dbfs=%.2f test_peak_dbfs=%.2f test_clipped_percent=%.5f\n",
                r, (double(testStart) - double(refStart)) * 1000.0 / ref.rate,
                double(ref.mono.size()) / ref.rate, double(test.mono.size()) / test.rate,
                Db(ref.peak), Db(test.peak), 100.0 * double(test.clipped) / double(std::max<size_t>(1, test.totalSamples)));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "wavcompare: %s\n", e.what());
    return 1;
  }
}
