// A field's exit check, run once per leave: when the field is left (focus moves away) or Enter
// is pressed, but not again for the same entry. Qt may report the end of an edit twice (Enter,
// then the focus change); a bad entry must give exactly one message.
#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

namespace tonemill::ui {

class FieldExit : public QObject {
  Q_OBJECT
 public:
  // Calls `check` on each leave of `field`; lives as the field's child.
  static FieldExit* Install(QLineEdit* field, std::function<void()> check);

  // Runs the check now if the field was entered or edited since the last one (a click on
  // another control counts as leaving it).
  void Leave();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  FieldExit(QLineEdit* field, std::function<void()> check);
  QLineEdit* field_;
  std::function<void()> check_;
  bool armed_ = false;
};

}  // namespace tonemill::ui
