// The text routines that check what users type: key ranges, file names, numbers.
#include "harness.h"
#include "tonemill/files/notes.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/paths.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  int low = 0, high = 0;
  tonemill::ParseKeyRange(text, low, high);
  if (low != -1 && (low < 0 || low > 131 || high < -1 || high > 131)) fuzz::Fail("key range");
  tonemill::NoteIndex(text);
  tonemill::OctaveValue(text);
  tonemill::IsValidFileName(text);
  tonemill::StripExtension(text);
  tonemill::WithBackslash(text);
  tonemill::ParseReal(text);
  tonemill::ParseInteger(text);
  tonemill::ParseIntegerField(text);
  tonemill::ParseRealField(text);
  tonemill::IsRealInRange(text, true, true, 0, 99);
  for (int digits = 0; digits < 4; ++digits) tonemill::TruncateDecimals(text, digits);
  if (size >= 8) {
    int p = int(uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3]);
    int q = int(uint32_t(data[4]) << 24 | uint32_t(data[5]) << 16 | uint32_t(data[6]) << 8 | data[7]);
    tonemill::ReduceFraction(p, q);
  }
  return 0;
}
