// What an output carries over from the file it was made of besides its samples: the input's
// chunks other than its format and data (LIST/INFO, cue, smpl, ...) into a WAV output, its text
// tags into a container that holds them. The same rule for the command line and the editor.
#pragma once

#include "outputjob.h"

#include <string>
#include <vector>

namespace tonemill {

struct KeptMetadata {
  // The file the user gave (a copy of standard input for "-"), never the samples decoded from
  // it; empty: nothing is carried.
  std::string from;
  // The user asked for it (the editor's "Keep chunks and tags", --keep-chunks). Without it only
  // an input the canonical WAV files do not describe carries its chunks and tags; a WAV file
  // they describe keeps its canonical output.
  bool asked = false;
};

namespace ops {

// Gives `job` the tags `keep` carries and returns `work` followed, for a WAV target and a run
// that was neither cancelled nor failed, by the copy of the chunks into the work's file. A copy
// that fails fails the job with its reason. The chunks' positions follow the frames the work's
// result says it moved; where it cannot say (or changed the number of frames without saying
// how), the chunks holding positions are left out and their names go into `dropped` (which must
// outlive the job's run).
OutputWork CarryMetadata(OutputJob& job, const KeptMetadata& keep, OutputWork work,
                         std::vector<std::string>* dropped = nullptr);

// What the command line says about the chunks left out ("warning: OUT: ..."); empty for none.
std::string DroppedChunksWarning(const std::string& output, const std::vector<std::string>& dropped);

}  // namespace ops
}  // namespace tonemill
