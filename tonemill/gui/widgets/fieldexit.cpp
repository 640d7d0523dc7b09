#include "fieldexit.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace tonemill::ui {

FieldExit::FieldExit(QLineEdit* field, std::function<bool()> check)
    : QObject(field), field_(field), check_(std::move(check)) {
  field->installEventFilter(this);
  connect(field, &QLineEdit::textEdited, this, [this] { armed_ = true; });
}

FieldExit* FieldExit::Install(QLineEdit* field, std::function<bool()> check) {
  return new FieldExit(field, std::move(check));
}

void FieldExit::DisarmAll(QObject* root) {
  for (FieldExit* exit : root->findChildren<FieldExit*>()) exit->disarmed_ = true;
}

bool FieldExit::Leave() {
  if (!armed_ || disarmed_) return true;
  armed_ = false;
  return check_();
}

bool FieldExit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Enter checks what is there even when nothing was typed since the last check.
        armed_ = true;
        if (!Leave()) return true;
      }
    }
    if (event->type() == QEvent::FocusIn) armed_ = true;
    // A message box taking the focus is not the user leaving the field, and neither is the
    // window closing: without a window manager a closed window keeps its focus widget until it
    // is destroyed.
    if (event->type() == QEvent::FocusOut && field_->window()->isVisible() &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
      Leave();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tonemill::ui
