// Writing the converter's song list: the song length, then per instrument a "{" block with
// its instrument line and one "[" block per key holding all its groups' events. CR LF line
// ends. The file is written under a temporary name and renamed into place, so an existing
// list stays as it was until the new one is complete.
#pragma once

#include "songlist.h"

#include <cstdint>
#include <string>

namespace tonemill {

// The whole text. Groups must already hold millisecond times with redundant events dropped.
std::string LstText(int32_t songLength, const InstrumentList& instruments);

// The instrument line, each field followed by one blank, reals with two decimals.
std::string InstrumentLine(const PrgLine& entry);

}  // namespace tonemill
