// The converter's own reading of one PRG definition line, for the import tests: every line the
// importer writes must be read without complaint.
#pragma once

#include "tonemill/prg/prgtable.h"

#include <string>

namespace testing_support {

// The converter's message for the first failing field, or an empty string.
inline std::string CheckPrgLine(const std::string& line) {
  const tonemill::PrgLine parsed = tonemill::ParsePrgLine(line);
  return parsed.kind == tonemill::PrgLine::Kind::Error ? parsed.message : "";
}

}  // namespace testing_support
