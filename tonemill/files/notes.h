// Note names: lower case, "#" for sharps, the octave appended; "c5" is key 60.
#pragma once

#include <string>

namespace tonemill {

std::string KeyName(int key);

}  // namespace tonemill
