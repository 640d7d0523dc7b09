// The converter's own reading of one PRG definition line, for the import tests: every line the
// importer writes must be read without complaint.
#pragma once

#include "tonemill/prg/prgline.h"

#include <string>

namespace testing_support {

// The converter's message for the first failing field, or an empty string.
inline std::string CheckPrgLine(const std::string& line) {
  const tonemill::PrgLineReading parsed = tonemill::ReadPrgLine(line);
  return parsed.kind == tonemill::PrgLineReading::Kind::Error ? parsed.message : "";
}

}  // namespace testing_support
