// The chunks of a RIFF WAVE file that point at its frames, kept pointing at the same sound when
// an operation moved frames: cue points, the regions of associated data lists (ltxt), play
// list segments, sampler loops, the cart chunk's post timers and the broadcast extension's time
// stamp of the first frame.
#pragma once

#include "framemap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tonemill {

struct RiffChunk {
  char id[4] = {};
  uint32_t length = 0;
  // The chunk's bytes as read (with its pad byte for an odd length); rewritten ones without it.
  std::vector<uint8_t> body;
  bool Is(const char* name) const;
};

// Rewrites the positions in `chunks` (those of one file, in its order) where `map` moved their
// frames. A cue point that was left out moves to the seam, so that its labels keep their point;
// a region shrinks by what was left out of it and grows by what was put inside it; a loop that
// no longer fits is dropped. With an unknown map the chunks that hold positions (cue, LIST adtl,
// plst, smpl with loops, cart with timers in use) are left out; returns their names, each once,
// in their order.
std::vector<std::string> FollowFrames(std::vector<RiffChunk>& chunks, const FrameMap& map);

}  // namespace tonemill
