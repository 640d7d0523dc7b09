#include "keptmetadata.h"

#include "tonemill/files/audioinput.h"
#include "tonemill/files/wavheader.h"

namespace tonemill::ops {
namespace {

// The frames a WAV file's data chunk holds; nothing for another file.
std::optional<int64_t> FramesOf(const std::string& path) {
  const TWAVheader header(path);
  const std::optional<WaveEncoding> encoding = EngineEncoding(header);
  if (!encoding) return std::nullopt;
  return header.DataSize / encoding->FrameBytes();
}

}  // namespace

OutputWork CarryMetadata(OutputJob& job, const KeptMetadata& keep, OutputWork work,
                         std::vector<std::string>* dropped) {
  if (keep.from.empty() || !CarriesMetadata(keep.from, keep.asked)) return work;
  job.tags = ReadAudioTags(keep.from);
  if (job.container != Container::Wav) return work;
  return [work = std::move(work), from = keep.from, target = job.target, dropped](const std::string& path,
                                                                                  Progress& progress) {
    WorkResult result = work(path, progress);
    if (result.end == WorkResult::End::Cancelled || result.end == WorkResult::End::Failed) return result;
    FrameMap frames = result.frames;
    // A work that changed the number of frames without saying how: nobody knows where they went.
    if (!frames.Moves() && result.end == WorkResult::End::Done) {
      const std::optional<int64_t> in = FramesOf(from), out = FramesOf(path);
      if (in && out && *in != *out) frames = FrameMap::Unknown();
    }
    if (std::optional<std::string> failed = CopyOtherChunks(from, path, frames, dropped))
      return WorkResult::Failure(Problem(*failed, target));
    return result;
  };
}

std::string DroppedChunksWarning(const std::string& output, const std::vector<std::string>& dropped) {
  if (dropped.empty()) return {};
  std::string names;
  for (const std::string& name : dropped) names += (names.empty() ? "" : ", ") + name;
  return "warning: " + output + ": left out the input's " + names +
         (dropped.size() == 1 ? " chunk: its" : " chunks: their") + " positions cannot follow the frames this operation moved";
}

}  // namespace tonemill::ops
