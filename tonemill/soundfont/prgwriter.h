// The importer writes its PRG files through the program's one PRG line model, so that every
// line it writes is a line the converter and the editor read back to the same values.
#pragma once

#include "tonemill/prg/prgline.h"

namespace tonemill::soundfont {

using tonemill::FormatPrgFile;
using tonemill::FormatPrgLine;
using tonemill::KeyRangeText;
using tonemill::PrgLine;

}  // namespace tonemill::soundfont
