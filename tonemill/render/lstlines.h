// Maps the renderer's line counter (non-blank lines read) to a line number of the file.
#pragma once

#include <cstdint>
#include <string>

namespace tonemill {

// The 1-based line of the file that holds the `count`-th non-blank line the renderer read
// (lines of more than 255 characters are read in pieces); 0 when the file has fewer.
int64_t FileLineOfCount(const std::string& lstPath, int64_t count);

}  // namespace tonemill
