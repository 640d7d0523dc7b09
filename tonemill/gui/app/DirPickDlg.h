// TdirPickDlg: chooses a directory ("MID Directory", ...). It reports a change only when the
// chosen directory differs from the one it started in.
#pragma once

#include "tonemill/gui/widgets/dialog.h"

#include <memory>

class QFileSystemModel;
namespace Ui {
class dirPickDlg;
}

namespace tonemill::app {

class TdirPickDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TdirPickDlg(QWidget* parent, const QString& caption, const QString& start);
  ~TdirPickDlg() override;

  QString Directory() const;
  bool Changed() const;
  void SetDirectory(const QString& directory);

 public slots:
  void OKBtnClick();
  bool DirEditExit();

 private:
  std::unique_ptr<Ui::dirPickDlg> ui_;
  QFileSystemModel* model_;
  QString start_;
};

}  // namespace tonemill::app
