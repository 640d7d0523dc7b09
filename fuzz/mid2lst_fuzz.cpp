// The whole MIDI-to-LST conversion against a fixed instrument set: every program and drum kit
// has a PRG file covering every key.
#include "harness.h"
#include "tonemill/midi/midtolst.h"

#include <filesystem>
#include <fstream>

namespace {

const std::string& PrgDirectory() {
  static const std::string dir = [] {
    const std::string d = fuzz::ScratchDirectory() + "prg/";
    std::filesystem::create_directories(d);
    for (int program = 0; program < 128; ++program)
      for (const char* prefix : {"", "D"}) {
        std::ofstream f(d + prefix + std::to_string(program) + ".PRG", std::ios::binary);
        f << "c0-b4 LOW c3 64 64 64 0 0 50 2 3 8 1.00 0.60 -0.10 -2.00 10 200 0 999 500 899 16 1 44100 \r\n"
          << "c5-g10 HIGH c6 90 20 -40 10 -10 0 12 0 0 0.80 0.80 0.00 -5.00 0 0 0 499 -1 -1 16 2 22050 \r\n";
      }
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 15)) return 0;
  const std::string mid = fuzz::ScratchFile("input.mid", data, size);
  const std::string lst = fuzz::ScratchDirectory() + "out.lst";
  const tonemill::MidToLstResult r = tonemill::MIDtoLST(mid, lst, PrgDirectory(), {{-1, 10}});
  if (!r.written && r.message.empty()) fuzz::Fail("a failed conversion without a message");
  std::filesystem::remove(lst);
  return 0;
}
