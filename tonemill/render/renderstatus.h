// The messages for the statuses of LSTtoWAV, shared by the command line and the dialogs.
#pragma once

#include <cstdint>
#include <string>

namespace tonemill {

// The message for a non-zero status. The statuses about files name the file concerned.
std::string RenderStatusMessage(int32_t status, const std::string& lstPath,
                                const std::string& wavPath);

}  // namespace tonemill
