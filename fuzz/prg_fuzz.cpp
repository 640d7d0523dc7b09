// The PRG reader, as the converter loads a program's instrument file.
#include "harness.h"
#include "tonemill/prg/prgtable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  fuzz::ScratchFile("7.PRG", data, size);
  const tonemill::PrgLoad load = tonemill::LoadPRG(fuzz::ScratchDirectory(), 7, false);
  load.Message();
  if (load.status == tonemill::PrgLoad::Status::Loaded && !load.table) fuzz::Fail("no table");
  return 0;
}
