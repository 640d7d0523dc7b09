// TgroupyDlg: copy or move of several files ("Group Copy" / "Group Move") into one of the
// seven working directories or a directory reached from it. OK is enabled only for a
// directory other than the files' own.
#pragma once

#include "tonemill/ops/mainrules.h"
#include "tonemill/ops/fileoperations.h"
#include "tonemill/gui/widgets/dialog.h"

#include <QStringList>
#include <array>
#include <memory>

class QRadioButton;
namespace Ui {
class groupyDlg;
}

namespace tonemill::app {

class TgroupyDlg : public ui::TDialog {
  Q_OBJECT
 public:
  TgroupyDlg(QWidget* parent, bool move, const QStringList& files, const QString& source,
             const std::array<QString, 7>& directories, Selector selector);
  ~TgroupyDlg() override;

  QString Destination() const { return destination_; }
  void SetDestination(const QString& directory);
  const ops::GroupOutcome& Outcome() const { return outcome_; }

 public slots:
  void OKBtnClick();
  void RadioClick(int selector);
  void DirListDblClick();

 private:
  std::unique_ptr<Ui::groupyDlg> ui_;
  bool move_;
  QStringList files_;
  QString source_, destination_;
  std::array<QString, 7> directories_;
  std::array<QRadioButton*, 7> radios_{};
  ops::GroupOutcome outcome_;
};

}  // namespace tonemill::app
