// The settings file reader: any TM.INI text, read and written back.
#include "harness.h"
#include "tonemill/files/settings.h"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 14)) return 0;
  const std::string home = fuzz::ScratchDirectory() + "home/";
  std::filesystem::create_directories(home);
  const std::string ini = fuzz::ScratchFile("home/TM.INI", data, size);
  const tonemill::SettingsLocation location{ini, home, home};
  tonemill::Settings settings;
  std::string error;
  if (tonemill::LoadSettings(location, settings, error)) tonemill::SaveSettings(location, settings);
  return 0;
}
