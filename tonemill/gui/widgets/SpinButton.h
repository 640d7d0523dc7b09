// TSpinButton: the pair of small arrow buttons beside a number edit. Each click (held down, it
// repeats) asks the edit's owner to step the value by one; the owner decides whether it may.
#pragma once

#include <QWidget>

class QToolButton;

class TSpinButton : public QWidget {
  Q_OBJECT
 public:
  explicit TSpinButton(QWidget* parent = nullptr);
  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }
  QSize sizeHint() const override;

 signals:
  void UpClick();
  void DownClick();

 private:
  QToolButton* up_;
  QToolButton* down_;
};
