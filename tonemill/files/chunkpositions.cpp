#include "chunkpositions.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace tonemill {
namespace {

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

void Put32(std::vector<uint8_t>& b, size_t at, int64_t value) {
  const uint32_t v = uint32_t(std::clamp<int64_t>(value, 0, 0xFFFFFFFF));
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// The chunk's declared bytes, as far as it holds them.
size_t Declared(const RiffChunk& c) { return std::min<size_t>(c.length, c.body.size()); }

// Marks a chunk rewritten: its length is what its body now holds.
void Rewritten(RiffChunk& c, size_t size) {
  c.body.resize(size);
  c.length = uint32_t(size);
}

bool IsAdtl(const RiffChunk& c) {
  return c.Is("LIST") && Declared(c) >= 4 && std::memcmp(c.body.data(), "adtl", 4) == 0;
}

// Calls `each(offset)` for the data offset of every ltxt sub-chunk of an adtl list that holds
// its cue name and sample length.
template <class Each>
void ForEachLtxt(const RiffChunk& list, Each each) {
  const size_t size = Declared(list);
  size_t at = 4;
  while (at + 8 <= size) {
    const uint32_t length = Get32(list.body, at + 4);
    if (std::memcmp(list.body.data() + at, "ltxt", 4) == 0 && length >= 8 && at + 16 <= size) each(at + 8);
    at += 8 + size_t(length) + length % 2;
  }
}

struct CuePoints {
  std::map<uint32_t, int64_t> at;      // cue name -> sample offset in the input
  std::map<uint32_t, int64_t> region;  // cue name -> the ltxt region's length
};

CuePoints ReadCuePoints(const std::vector<RiffChunk>& chunks) {
  CuePoints cues;
  for (const RiffChunk& c : chunks) {
    if (c.Is("cue ") && Declared(c) >= 4) {
      const size_t count = std::min<size_t>(Get32(c.body, 0), (Declared(c) - 4) / 24);
      for (size_t i = 0; i < count; ++i) cues.at.emplace(Get32(c.body, 4 + 24 * i), Get32(c.body, 4 + 24 * i + 20));
    }
    if (IsAdtl(c))
      ForEachLtxt(c, [&](size_t at) { cues.region.emplace(Get32(c.body, at), Get32(c.body, at + 4)); });
  }
  return cues;
}

int64_t RegionOf(const CuePoints& cues, uint32_t name) {
  const auto found = cues.region.find(name);
  return found == cues.region.end() ? 0 : found->second;
}

void FollowCue(RiffChunk& c, const CuePoints& cues, const FrameMap& map) {
  if (Declared(c) < 4) return;
  const size_t count = std::min<size_t>(Get32(c.body, 0), (Declared(c) - 4) / 24);
  for (size_t i = 0; i < count; ++i) {
    const size_t at = 4 + 24 * i;
    const int64_t offset = Get32(c.body, at + 20);
    const int64_t moved = map.RegionStart(offset, RegionOf(cues, Get32(c.body, at)));
    // Without a play list the play order position is the sample offset.
    if (Get32(c.body, at + 4) == offset) Put32(c.body, at + 4, moved);
    Put32(c.body, at + 20, moved);
  }
}

void FollowRegions(RiffChunk& list, const CuePoints& cues, const FrameMap& map) {
  ForEachLtxt(list, [&](size_t at) {
    const auto cue = cues.at.find(Get32(list.body, at));
    if (cue != cues.at.end()) Put32(list.body, at + 4, map.RegionLength(cue->second, Get32(list.body, at + 4)));
  });
}

void FollowPlayList(RiffChunk& c, const CuePoints& cues, const FrameMap& map) {
  if (Declared(c) < 4) return;
  const size_t count = std::min<size_t>(Get32(c.body, 0), (Declared(c) - 4) / 12);
  for (size_t i = 0; i < count; ++i) {
    const size_t at = 4 + 12 * i;
    const auto cue = cues.at.find(Get32(c.body, at));
    if (cue != cues.at.end()) Put32(c.body, at + 4, map.RegionLength(cue->second, Get32(c.body, at + 4)));
  }
}

constexpr size_t kSamplerHead = 36, kLoopBytes = 24;

size_t LoopCount(const RiffChunk& c) {
  return Declared(c) < kSamplerHead ? 0
                                    : std::min<size_t>(Get32(c.body, 28), (Declared(c) - kSamplerHead) / kLoopBytes);
}

// Keeps the loops that still fit, at their new places; the sampler's own data follows them.
void FollowLoops(RiffChunk& c, const FrameMap& map) {
  const size_t count = LoopCount(c);
  if (count == 0) return;
  std::vector<uint8_t> body(c.body.begin(), c.body.begin() + long(kSamplerHead));
  size_t kept = 0;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kSamplerHead + kLoopBytes * i;
    int64_t start = Get32(c.body, at + 8), end = Get32(c.body, at + 12);
    if (!map.Loop(start, end)) continue;
    body.insert(body.end(), c.body.begin() + long(at), c.body.begin() + long(at + kLoopBytes));
    Put32(body, body.size() - kLoopBytes + 8, start);
    Put32(body, body.size() - kLoopBytes + 12, end);
    ++kept;
  }
  Put32(body, 28, int64_t(kept));
  const size_t rest = kSamplerHead + kLoopBytes * count;
  body.insert(body.end(), c.body.begin() + long(rest), c.body.begin() + long(Declared(c)));
  c.body = std::move(body);
  Rewritten(c, c.body.size());
}

// The broadcast extension's time reference (samples since midnight, 64 bits at byte 338) names
// the first frame's time.
void FollowTimeReference(RiffChunk& c, const FrameMap& map) {
  constexpr size_t at = 338;
  const int64_t shift = map.LeadShift();
  if (shift == 0 || Declared(c) < at + 8) return;
  uint64_t reference = uint64_t(Get32(c.body, at)) | uint64_t(Get32(c.body, at + 4)) << 32;
  reference = shift < 0 && reference < uint64_t(-shift) ? 0 : reference + uint64_t(shift);
  Put32(c.body, at, int64_t(reference & 0xFFFFFFFF));
  Put32(c.body, at + 4, int64_t(reference >> 32));
}

// The cart chunk's eight post timers (a usage code and a sample offset each, from byte 684); an
// unused one has no usage code, or the offset 0xFFFFFFFF.
constexpr size_t kPostTimers = 684, kTimers = 8;

bool TimersInUse(const RiffChunk& c) {
  for (size_t i = 0; i < kTimers && Declared(c) >= kPostTimers + 8 * (i + 1); ++i)
    if (Get32(c.body, kPostTimers + 8 * i) != 0 && Get32(c.body, kPostTimers + 8 * i + 4) != 0xFFFFFFFF) return true;
  return false;
}

void FollowTimers(RiffChunk& c, const FrameMap& map) {
  for (size_t i = 0; i < kTimers && Declared(c) >= kPostTimers + 8 * (i + 1); ++i) {
    const size_t at = kPostTimers + 8 * i;
    if (Get32(c.body, at) != 0 && Get32(c.body, at + 4) != 0xFFFFFFFF)
      Put32(c.body, at + 4, map.Point(Get32(c.body, at + 4)));
  }
}

}  // namespace

bool RiffChunk::Is(const char* name) const { return std::memcmp(id, name, 4) == 0; }

std::vector<std::string> FollowFrames(std::vector<RiffChunk>& chunks, const FrameMap& map) {
  std::vector<std::string> dropped;
  if (!map.Moves()) return dropped;
  if (!map.Known()) {
    const auto holdsPositions = [](const RiffChunk& c) {
      return c.Is("cue ") || c.Is("plst") || IsAdtl(c) || (c.Is("smpl") && LoopCount(c) > 0) ||
             (c.Is("cart") && TimersInUse(c));
    };
    for (const RiffChunk& c : chunks)
      if (holdsPositions(c)) {
        std::string name = IsAdtl(c) ? "LIST adtl" : std::string(c.id, 4);
        name.erase(name.find_last_not_of(' ') + 1);
        if (std::find(dropped.begin(), dropped.end(), name) == dropped.end()) dropped.push_back(name);
      }
    std::erase_if(chunks, holdsPositions);
    return dropped;
  }
  const CuePoints cues = ReadCuePoints(chunks);
  for (RiffChunk& c : chunks) {
    if (c.Is("cue ")) FollowCue(c, cues, map);
    if (IsAdtl(c)) FollowRegions(c, cues, map);
    if (c.Is("plst")) FollowPlayList(c, cues, map);
    if (c.Is("smpl")) FollowLoops(c, map);
    if (c.Is("bext")) FollowTimeReference(c, map);
    if (c.Is("cart")) FollowTimers(c, map);
  }
  return dropped;
}

}  // namespace tonemill
