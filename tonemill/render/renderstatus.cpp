#include "renderstatus.h"

#include <array>

namespace tonemill {

std::string RenderStatusMessage(int32_t status, const std::string& lstPath,
                                const std::string& wavPath) {
  static const std::array<const char*, 29> kMessages = {
      "",
      "Out of memory!",
      "Illegal duration!",
      "Disk full!",
      "\"{\" expected!",
      "Unexpected end of file!",
      "\"[\" expected!",
      "Illegal note value!",
      "Illegal base note!",
      "Illegal base volume!",
      "Illegal base panpot!",
      "Illegal velocity sensitivity!",
      "Illegal pressure sensitivity!",
      "Illegal expression sensitivity!",
      "Illegal release sensitivity!",
      "Illegal bend range!",
      "Illegal modulation sensitivity!",
      "Illegal modulation rate!",
      "Illegal attack end factor!",
      "Illegal delay end factor!",
      "Illegal attack length!",
      "Illegal decay length!",
      "Illegal start sample position!",
      "Illegal end sample position!",
      "Illegal loop start position!",
      "Illegal loop end position!",
      "Sample file read failure!",
      "Illegal event code!",
      "Illegal release slope!",
  };
  if (status >= 0 && status < int32_t(kMessages.size())) return kMessages[size_t(status)];
  switch (status) {
    case 29: return "Can't open song list " + lstPath + "!";
    case 30: return "Can't create output file " + wavPath + "!";
    case 31: return "Note more than seven octaves from the base note!";
    case 32: return "Song too long for a WAV file!";
    case 33: return "Illegal event time!";
    case 34: return "Illegal output format!";
    default: return "Internal error!";
  }
}

}  // namespace tonemill
