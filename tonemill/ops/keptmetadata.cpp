#include "keptmetadata.h"

#include "tonemill/files/audioinput.h"
#include "tonemill/files/wavheader.h"

namespace tonemill::ops {

OutputWork CarryMetadata(OutputJob& job, const KeptMetadata& keep, OutputWork work) {
  if (keep.from.empty() || !CarriesMetadata(keep.from, keep.asked)) return work;
  job.tags = ReadAudioTags(keep.from);
  if (job.container != Container::Wav) return work;
  return [work = std::move(work), from = keep.from, target = job.target](const std::string& path,
                                                                         Progress& progress) {
    WorkResult result = work(path, progress);
    if (result.end == WorkResult::End::Cancelled || result.end == WorkResult::End::Failed) return result;
    if (std::optional<std::string> failed = CopyOtherChunks(from, path))
      return WorkResult::Failure(Problem(*failed, target));
    return result;
  };
}

}  // namespace tonemill::ops
