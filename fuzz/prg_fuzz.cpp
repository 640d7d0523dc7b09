// The PRG reader, as the converter loads a program's instrument file. Every entry of a loaded
// file must be written by the PRG line model in a form that reads back to the same line, and
// must give an instrument line that the renderer's own parser takes as a song's first.
#include "harness.h"
#include "resona/lst.h"
#include "tonemill/prg/prgline.h"
#include "tonemill/prg/prgtable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  fuzz::ScratchFile("7.PRG", data, size);
  const tonemill::PrgLoad load = tonemill::LoadPRG(fuzz::ScratchDirectory(), 7, false);
  load.Message();
  if (load.status != tonemill::PrgLoad::Status::Loaded) return 0;
  if (!load.table) fuzz::Fail("no table");
  for (int key = 0; key < 128; ++key)
    for (int layer = 0; layer < load.table->count[size_t(key)]; ++layer) {
      const tonemill::PrgLine& entry = load.table->entries[size_t(key)][size_t(layer)];
      // Reals are written with two decimals: the written form is stable from the first write.
      const std::string written = tonemill::FormatPrgLine(entry);
      const tonemill::PrgLineReading reread = tonemill::ReadPrgLine(written);
      if (reread.kind != tonemill::PrgLineReading::Kind::Definition)
        fuzz::Fail("a written PRG line does not read back");
      if (tonemill::FormatPrgLine(reread.line) != written ||
          tonemill::ReadPrgLine(tonemill::FormatPrgLine(reread.line)).line != reread.line)
        fuzz::Fail("a written PRG line reads back to other values");
      const std::string instrument = tonemill::InstrumentLine(entry);
      if (instrument.size() > resona::TextReader::kMaxLine)
        fuzz::Fail("an instrument line longer than the renderer reads");
      resona::InstrumentLine parsed;
      if (resona::ParseInstrumentLine(instrument, parsed, true) != 0)
        fuzz::Fail("the renderer refuses an instrument line made from an accepted PRG line");
    }
  return 0;
}
