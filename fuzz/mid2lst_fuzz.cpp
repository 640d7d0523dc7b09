// The whole MIDI-to-LST conversion. The input is a PRG text followed by a MIDI file starting at
// the first "MThd"; with no PRG text a fixed instrument set covers every program, drum kit and
// key, otherwise the text is program 0's instrument and drum kit 0. Whatever the converter
// writes must pass the renderer's own reading of a song list: its grammar, every field check and
// lines of at most 255 characters.
#include "harness.h"
#include "resona/lst.h"
#include "resona/status.h"
#include "tonemill/midi/midtolst.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

constexpr int64_t kMaxListBytes = 4 << 20;  // bounds the work of one input

const std::string& FixedPrgDirectory() {
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

std::string FuzzedPrgDirectory(std::string_view text) {
  const std::string d = fuzz::ScratchDirectory() + "fuzzed-prg/";
  std::filesystem::create_directories(d);
  for (const char* name : {"0.PRG", "D0.PRG"})
    std::ofstream(d + name, std::ios::binary).write(text.data(), std::streamsize(text.size()));
  return d;
}

[[noreturn]] void Refused(const char* what, int32_t status) {
  static char text[160];
  std::snprintf(text, sizeof text, "the renderer refuses the written list: %s (status %d)", what,
                int(status));
  fuzz::Fail(text);
}

// Every line ends in CR LF and holds no more than the renderer reads as one line.
void CheckLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) fuzz::Fail("a list line without CR LF");
    const std::string_view line(text.data() + start, end - start);
    if (line.size() > resona::TextReader::kMaxLine) fuzz::Fail("a list line over 255 characters");
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
      fuzz::Fail("a line end or NUL inside a list line");
    start = end + 2;
  }
}

// The renderer's walk through a song list, without loading samples or mixing.
void CheckGrammar(const std::string& path) {
  resona::TextReader reader;
  if (!reader.Open(path.c_str())) fuzz::Fail("the written list cannot be opened");
  int32_t duration = 0;
  if (!reader.ReadInt(duration) || duration < 1) Refused("duration", resona::kIllegalDuration);
  std::string text;
  auto next = [&] {
    while (reader.ReadLine(text))
      if (!resona::IsBlankLine(text)) return true;
    return false;
  };
  resona::InstrumentLine instrument;
  int32_t note = 64;
  bool firstInstrument = true, firstNote = true;
  while (next()) {
    if (text[0] != '{') Refused("structure", resona::kBraceExpected);
    if (!next()) Refused("structure", resona::kUnexpectedEnd);
    int32_t status = resona::ParseInstrumentLine(text, instrument, firstInstrument);
    if (status != resona::kOk) Refused("instrument line", status);
    firstInstrument = false;
    for (;;) {
      if (!next()) Refused("structure", resona::kUnexpectedEnd);
      if (text[0] == '}') break;
      if (text[0] != '[') Refused("structure", resona::kBracketExpected);
      if (!next()) Refused("structure", resona::kUnexpectedEnd);
      if ((status = resona::ParseNoteLine(text, note, firstNote)) != resona::kOk)
        Refused("note line", status);
      firstNote = false;
      for (;;) {
        if (!next()) Refused("structure", resona::kUnexpectedEnd);
        if (text[0] == ']') break;
        resona::Event e;
        if ((status = resona::ParseEventLine(text, e)) != resona::kOk) Refused("event line", status);
        if (e.kind == resona::EventKind::On && e.time < 0)
          Refused("event time", resona::kIllegalEventTime);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 15)) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t midiStart = std::min(input.find("MThd"), input.size());
  const std::string_view prg = input.substr(0, midiStart);
  const std::string mid = fuzz::ScratchFile("input.mid", data + midiStart, size - midiStart);
  const std::string lst = fuzz::ScratchDirectory() + "out.lst";
  const std::string prgDirectory = prg.empty() ? FixedPrgDirectory() : FuzzedPrgDirectory(prg);
  const tonemill::MidToLstResult r =
      tonemill::MIDtoLST(mid, lst, prgDirectory, {{-1, 10}}, kMaxListBytes);
  if (!r.written && r.message.empty()) fuzz::Fail("a failed conversion without a message");
  if (r.written) {
    CheckLines(lst);
    CheckGrammar(lst);
  }
  std::filesystem::remove(lst);
  return 0;
}
