// A number edit of the WAV dialogs with its spin button: the text is checked each time the
// edit is left (or Enter is pressed in it); a bad text shows the field's one message and the
// text it held before is put back; a good one is shown again in the field's format. A spin
// step adds or subtracts the field's step (1 unless it says otherwise) and does nothing when the
// check would refuse the result. The check
// itself is the engine layer's, never a copy.
#pragma once

#include "tonemill/files/problem.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QWidget;
class TSpinButton;
namespace tonemill::ui {
class FieldExit;
}

namespace tonemill::wave {

class TNumberField : public QObject {
  Q_OBJECT
 public:
  // Returns the message for a bad text; for a good one sets `shown`, the text in the field's
  // format.
  using Check = std::function<std::optional<Problem>(const std::string& text, std::string& shown)>;

  TNumberField(QLineEdit* edit, TSpinButton* spin, Check check, double step = 1);

  QLineEdit* Edit() const { return edit_; }
  TSpinButton* Spin() const { return spin_; }
  // Sets a text the program chose (a default, a patch): shown and remembered as it is.
  void SetText(const QString& text);
  QString Text() const;
  // The value the text reads (0 when it reads none).
  double Value() const;

  // The exit check now (the system's XEditExit): false after showing the message.
  bool Exit();
  // The check if the edit was entered or changed since the last one (a pending leave), as OK
  // runs it before it reads the fields.
  bool Leave();
  void SpinUpClick() { Step(+1); }
  void SpinDownClick() { Step(-1); }

 signals:
  // A good text was taken (by a leave or a step).
  void Changed();

 private:
  void Step(int direction);

  QLineEdit* edit_;
  TSpinButton* spin_;
  Check check_;
  double step_;
  ui::FieldExit* exit_;
  QString remembered_;
};

// Enter in an edit of the dialog runs that edit's check and nothing else: no push button of the
// dialog takes Enter (otherwise the first one, Cancel perhaps, would).
void NoDefaultButton(QWidget* dialog);

}  // namespace tonemill::wave
