// Widths that fit the longest value a field or readout will show, so that no text is cut off
// and a window does not grow when a readout fills in.
#pragma once

#include <QStringList>

class QWidget;

namespace tonemill::ui {

// Gives a line edit or label the minimum width for the widest of `longest` in its font, with
// the frame and margins a line edit draws around its text.
void FitText(QWidget* widget, const QStringList& longest);

}  // namespace tonemill::ui
