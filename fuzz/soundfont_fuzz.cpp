// The SoundFont 2 importer: reading, planning, and the whole import into scratch folders.
#include "harness.h"
#include "tonemill/soundfont/importer.h"
#include "tonemill/soundfont/sf2file.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  const std::string bank = fuzz::ScratchFile("bank.sf2", data, size);
  const std::string prg = fuzz::ScratchDirectory() + "sf2-prg", wav = fuzz::ScratchDirectory() + "sf2-wav";
  try {
    tonemill::soundfont::ImportSoundFont({bank, prg, wav, 44100, true});
  } catch (const tonemill::soundfont::SoundFontError&) {
  } catch (const tonemill::soundfont::ImportError&) {
  }
  std::filesystem::remove_all(prg);
  std::filesystem::remove_all(wav);
  return 0;
}
