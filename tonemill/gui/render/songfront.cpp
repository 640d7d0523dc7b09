#include "songfront.h"

#include "tonemill/gui/render/MakeWavsDlg.h"
#include "tonemill/gui/render/RendStatDlg.h"

namespace tonemill::render {

void DialogSongFront::Busy(bool on) {
  if (on)
    hourglass_.emplace();
  else
    hourglass_.reset();
}

std::optional<Problem> DialogSongFront::CheckSamples(
    ops::SampleMaking& making, const std::function<std::optional<Problem>()>& check) {
  MakeSamplesWithDialog(parent_, making);
  std::optional<Problem> problem = check();
  Busy(false);
  if (problem) ShowSampleProblem(*problem, making);
  return problem;
}

ops::JobOutcome DialogSongFront::Render(const ops::RenderRequest& request,
                                        const ops::RenderStep& step) {
  TstatDlg status(parent_, request, step);
  status.exec();
  return status.Outcome();
}

}  // namespace tonemill::render
