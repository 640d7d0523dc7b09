// A field's exit check, run once per leave: when the field is left (focus moves away) or Enter
// is pressed, but not again for the same entry. Qt may report the end of an edit twice (Enter,
// then the focus change); a bad entry must give exactly one message. Enter on a bad entry
// stops there: it does not go on to press the dialog's default button.
#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

namespace tonemill::ui {

class FieldExit : public QObject {
  Q_OBJECT
 public:
  // Calls `check` on each leave of `field`; it returns false for a bad entry (after showing
  // its message). Lives as the field's child.
  static FieldExit* Install(QLineEdit* field, std::function<bool()> check);

  // Runs the check now if the field was entered or edited since the last one. False when it
  // ran and found the entry bad.
  bool Leave();

  // Ends the checks of every field under `root`. A window calls it as its destruction begins:
  // Qt takes the focus from a field when it is destroyed, and a check run then would reach into
  // a window already half gone.
  static void DisarmAll(QObject* root);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  FieldExit(QLineEdit* field, std::function<bool()> check);
  QLineEdit* field_;
  std::function<bool()> check_;
  bool armed_ = false;
  bool disarmed_ = false;
};

}  // namespace tonemill::ui
