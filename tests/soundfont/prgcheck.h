// The converter's checks of one PRG definition line, kept in the tests to prove that every line
// the importer writes would be read without complaint. Returns the converter's message for the
// first failing field, or an empty string.
#pragma once

#include <string>

namespace testing_support {

std::string CheckPrgLine(const std::string& line);

}  // namespace testing_support
