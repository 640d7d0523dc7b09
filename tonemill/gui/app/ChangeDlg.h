// TchangeDlg: copy or move of one file ("Copy" / "Move"). "from" is the file, "to" its target;
// the seven radio buttons put a working directory into "to".
#pragma once

#include "tonemill/ops/mainrules.h"
#include "tonemill/gui/widgets/dialog.h"

#include <array>
#include <memory>

class QRadioButton;
namespace Ui {
class changeDlg;
}

namespace tonemill::app {

class TchangeDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TchangeDlg(QWidget* parent, bool move, const QString& from, const QString& to,
             const std::array<QString, 7>& directories, Selector selector);
  ~TchangeDlg() override;

  // True when OK copied or moved the file.
  bool Done() const { return done_; }
  // Where the file went (or would go): the To field's directory and the file's name.
  QString Target() const;

 public slots:
  void OKBtnClick();
  bool fromFileExit();
  bool toFileExit();
  void RadioClick(int selector);

 private:
  bool CheckFrom(bool show);
  bool CheckTo(bool show);

  std::unique_ptr<Ui::changeDlg> ui_;
  bool move_;
  std::array<QString, 7> directories_;
  std::array<QRadioButton*, 7> radios_{};
  QString fromRemembered_, toRemembered_;
  bool done_ = false;
};

}  // namespace tonemill::app
