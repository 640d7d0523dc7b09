// TConvertDlg: "Convert". The six conversions of a file — MID to LST, LST to WAV, MID to WAV,
// MID 1 to 0, WAV to DFT, DFT to WAV — with the target each proposes, and the format and volume
// of a rendered song. OK runs the conversion, or hands it to the render dialogs.
#pragma once

#include "tonemill/gui/widgets/containerbox.h"

#include "tonemill/ops/conversion.h"
#include "tonemill/gui/widgets/dialog.h"

#include <array>
#include <memory>

class QComboBox;
class QRadioButton;
namespace Ui {
class ConvertDlg;
}

namespace tonemill::app {

constexpr int kHelpConvert = 5000;

class TConvertDlg : public ui::TDialog {
  Q_OBJECT
 public:
  // The main window's opening: the source, the six directories and the operation checked; the
  // target is the operation's proposal.
  TConvertDlg(QWidget* parent, const QString& source, const ops::ConversionDirectories& directories,
              ops::Conversion conversion);
  ~TConvertDlg() override;

  ops::Conversion Operation() const { return conversion_; }
  QRadioButton* OperationButton(ops::Conversion conversion) const;
  // The format the WAV controls show and the volume kept; a rate typed into the rate box that is
  // no number reads as 0.
  SongFormat Format() const;
  // The container of the song's name.
  ui::TContainerBox* ContainerBox() const { return containerBox_; }

 public slots:
  bool fromFileExit();
  bool toFileExit();
  bool volumeEditExit();
  void OperationClick(int conversion);
  void volumeButtonUpClick();
  void volumeButtonDownClick();
  void OKBtnClick();

 protected:
  void FormActivate() override;

 private:
  bool CheckSource(bool show);
  bool CheckTarget(bool show);
  void SetVolumeText(const QString& text);
  // Each returns false when the dialog stays open (a question declined, a failed DFT call).
  bool RunDftConversion();
  void RunRenderDialog();
  bool RunListRender();

  // The rate box's rate: 8000 to 192000 Hz, or a message.
  bool CheckRate(bool show);
  bool CheckContainer(bool show);

  std::unique_ptr<Ui::ConvertDlg> ui_;
  ui::TContainerBox* containerBox_ = nullptr;
  QRadioButton* otherRate_ = nullptr;
  QComboBox* rateBox_ = nullptr;
  QRadioButton* bits24_ = nullptr;
  QRadioButton* bitsFloat_ = nullptr;
  ops::ConversionDirectories directories_;
  ops::Conversion conversion_;
  std::array<QRadioButton*, 6> operations_{};
  Real48 volume_ = Real48::FromDouble(1.0);
  QString volumeRemembered_;
};

}  // namespace tonemill::app
