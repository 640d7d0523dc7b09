#include "dialog.h"

#include "fieldexit.h"

#include "platform/qt/help.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>

#include <algorithm>

namespace tonemill::ui {

TDialog::TDialog(QWidget* parent, int helpContext) : QDialog(parent), helpContext_(helpContext) {}

// The derived dialog is gone by now; its fields' checks must not run when Qt takes their focus.
TDialog::~TDialog() { FieldExit::DisarmAll(this); }

void TDialog::HelpBtnClick() { platform::ShowHelpTopic(helpContext_); }

void TDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (measured_) return;
  measured_ = true;
  // A label with a shortcut letter is drawn a little wider than Qt measures it ("To" kerned,
  // drawn with its underline unkerned, lost its "o"): room for one more character.
  for (QLabel* label : findChildren<QLabel*>())
    if (label->buddy() && label->text().contains('&'))
      label->setMinimumWidth(label->sizeHint().width() + label->fontMetrics().averageCharWidth());
}

void TDialog::setVisible(bool visible) {
  QDialog::setVisible(visible);
  if (!visible || activated_ || !isVisible()) return;
  activated_ = true;
  // Once the window is on the screen: the show event comes before its window is mapped, and a
  // message box the activation shows there left the dialog as an empty 100 x 30 window.
  FormActivate();
}

void TDialog::KeepContentHeight() {
  if (auto* box = qobject_cast<QBoxLayout*>(layout())) box->addStretch(1);
  if (layout()) layout()->activate();
  setMaximumHeight(std::max(sizeHint().height(), minimumSizeHint().height()));
}

void TDialog::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    CancelRun();
    return;
  }
  QDialog::closeEvent(event);
}

void TDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    HelpBtnClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TDialog::reject() {
  if (running_) {
    CancelRun();
    return;
  }
  QDialog::reject();
}

TDialog::RunScope::RunScope(TDialog& dialog, QAbstractButton* cancel) : dialog_(dialog) {
  dialog_.running_ = true;
  for (QWidget* w : dialog_.findChildren<QWidget*>()) {
    if (w == cancel || !w->isEnabled() || w->isWindow()) continue;
    // Containers stay enabled so that Cancel inside them stays live; their controls do not.
    if (cancel && w->isAncestorOf(cancel)) continue;
    if (!qobject_cast<QAbstractButton*>(w) && !w->inherits("QLineEdit") &&
        !w->inherits("QAbstractSpinBox") && !w->inherits("QComboBox") &&
        !w->inherits("QAbstractItemView") && !w->inherits("QAbstractSlider"))
      continue;
    w->setEnabled(false);
    disabled_.emplace_back(w);
  }
}

TDialog::RunScope::~RunScope() {
  for (const QPointer<QWidget>& w : disabled_)
    if (w) w->setEnabled(true);
  dialog_.running_ = false;
}

QLayout* LayoutHolding(QLayout* layout, QWidget* widget) {
  if (!layout) return nullptr;
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (item->widget() == widget) return layout;
    if (QLayout* inner = LayoutHolding(item->layout(), widget)) return inner;
  }
  return nullptr;
}

}  // namespace tonemill::ui
