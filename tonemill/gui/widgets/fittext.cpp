#include "fittext.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace tonemill::ui {

void FitText(QWidget* widget, const QStringList& longest) {
  const QFontMetrics m(widget->font());
  int text = 0;
  for (const QString& s : longest) text = qMax(text, m.horizontalAdvance(s));
  int width = text;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // What QLineEdit adds around its text: margins, the cursor's room and the style's frame.
    const QMargins margins = edit->textMargins();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    const QSize contents(text + margins.left() + margins.right() + 2 * 2 + m.horizontalAdvance(QLatin1Char('x')),
                         m.height());
    width = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, edit).width();
  }
  widget->setMinimumWidth(qMax(widget->minimumWidth(), width));
}

}  // namespace tonemill::ui
