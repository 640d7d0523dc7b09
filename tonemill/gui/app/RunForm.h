// TrunForm: launches a sibling program (the Vespera or the Lyrovox) with the current working
// directories as its parameters.
#pragma once

#include "tonemill/ops/mainrules.h"
#include "tonemill/gui/widgets/dialog.h"

#include <memory>

namespace Ui {
class runForm;
}

namespace tonemill::app {

class TrunForm : public ui::TDialog {
  Q_OBJECT
 public:
  TrunForm(QWidget* parent, const QString& caption, int helpContext, const QString& findTitle,
           const QString& program, const RunParameters& parameters);
  ~TrunForm() override;

  // The program path as chosen, for the settings file.
  QString Program() const;
  RunParameters Parameters() const;
  // The program as it is started: a Windows name ("VS.EXE") that does not exist stands for
  // the same name without ".EXE" when that exists.
  static QString StartablePath(const QString& program);

 public slots:
  void OKBtnClick();
  void FindBtnClick();
  void ShowCommand();

 private:
  std::unique_ptr<Ui::runForm> ui_;
  QString findTitle_;
  RunParameters parameters_;
};

}  // namespace tonemill::app
