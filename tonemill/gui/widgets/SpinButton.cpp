#include "SpinButton.h"

#include <QToolButton>
#include <QVBoxLayout>

TSpinButton::TSpinButton(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);  // a step does not leave the edit
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    b->setIconSize(QSize(8, 8));
    layout->addWidget(b);
  }
  up_->setObjectName("UpButton");
  down_->setObjectName("DownButton");
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, &TSpinButton::UpClick);
  connect(down_, &QToolButton::clicked, this, &TSpinButton::DownClick);
  // As tall as its edit: spare room in a window goes elsewhere, not into long arrow bars.
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TSpinButton::sizeHint() const {
  const int h = fontMetrics().height() + 8;
  return {h * 3 / 4, h};
}
