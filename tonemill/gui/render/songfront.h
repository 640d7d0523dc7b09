// The song job as the desktop program shows it: the hourglass over the conversion and the
// sample check, the Make WAVs dialog for samples made from DFT files, the sample check's problem
// in a box, and the render in the progress dialog, which shows its own end.
#pragma once

#include "platform/qt/cursor.h"
#include "tonemill/ops/songjob.h"

#include <optional>

class QWidget;

namespace tonemill::render {

class DialogSongFront : public ops::SongJobFront {
 public:
  explicit DialogSongFront(QWidget* parent) : parent_(parent) {}
  void Busy(bool on) override;
  std::optional<Problem> CheckSamples(ops::SampleMaking& making,
                                      const std::function<std::optional<Problem>()>& check) override;
  ops::JobOutcome Render(const ops::RenderRequest& request, const ops::RenderStep& step) override;

 private:
  QWidget* parent_;
  std::optional<platform::HourglassCursor> hourglass_;
};

}  // namespace tonemill::render
