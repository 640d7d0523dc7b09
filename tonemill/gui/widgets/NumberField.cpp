#include "NumberField.h"

#include "SpinButton.h"
#include "platform/messages.h"
#include "tonemill/files/numbers.h"
#include "tonemill/gui/widgets/fieldexit.h"

#include <QLineEdit>
#include <QPushButton>

namespace tonemill::wave {

TNumberField::TNumberField(QLineEdit* edit, TSpinButton* spin, Check check, double step)
    : QObject(edit), edit_(edit), spin_(spin), check_(std::move(check)), step_(step) {
  exit_ = ui::FieldExit::Install(edit, [this] { return Exit(); });
  if (spin) {
    connect(spin, &TSpinButton::UpClick, this, &TNumberField::SpinUpClick);
    connect(spin, &TSpinButton::DownClick, this, &TNumberField::SpinDownClick);
  }
  remembered_ = edit->text();
}

void TNumberField::SetText(const QString& text) {
  edit_->setText(text);
  remembered_ = text;
}

QString TNumberField::Text() const { return edit_->text(); }

double TNumberField::Value() const { return ParseReal(edit_->text().toStdString()).value_or(0.0); }

bool TNumberField::Exit() {
  std::string shown;
  if (std::optional<Problem> problem = check_(edit_->text().toStdString(), shown)) {
    platform::ShowError(problem->BoxText());
    edit_->setText(remembered_);
    return false;
  }
  SetText(QString::fromStdString(shown));
  emit Changed();
  return true;
}

bool TNumberField::Leave() { return exit_->Leave(); }

void TNumberField::Step(int direction) {
  const std::optional<double> v = ParseReal(edit_->text().toStdString());
  if (!v) return;
  std::string shown;
  // Enough digits that the check sees the stepped value itself; it rewrites it in its format.
  if (check_(FormatFixed(*v + direction * step_, 9), shown)) return;
  SetText(QString::fromStdString(shown));
  emit Changed();
}

void NoDefaultButton(QWidget* dialog) {
  for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
}

}  // namespace tonemill::wave
