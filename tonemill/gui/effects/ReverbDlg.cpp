#include "ReverbDlg.h"

#include "ui_ReverbDlg.h"

#include <algorithm>

namespace tonemill::effectdialogs {
namespace {

const char* const kHints[4] = {"Decay: 400-600 ms", "Decay: 700-1300 ms", "Decay: 1300-3000 ms",
                               "Decay: 80-500 ms"};

}  // namespace

TreverbDlg::TreverbDlg(QWidget* parent, const LaunchValues& launch)
    : TEffectDlg(parent, EffectKind::Reverb, launch), ui_(std::make_unique<Ui::ReverbDlg>()) {
  ui_->setupUi(this);
  QStringList headers;
  for (const char* side : {"L", "R"})
    for (int k = 1; k <= 6; ++k) headers << QString("%1 LP%2").arg(side).arg(k);
  headers << "Algorithm";
  BindCommon(ui_->StringGrid1, headers);
  // The levels and the low-pass grid are the form's own.
  AddField(reverb::kLevelLeft, ui_->LLevelEdit, ui_->spinLLevel);
  AddField(reverb::kLevelRight, ui_->RLevelEdit, ui_->spinRLevel);
  QLineEdit* left[6] = {ui_->editLG1, ui_->editLG2, ui_->editLG3, ui_->editLG4, ui_->editLG5, ui_->editLG6};
  QLineEdit* right[6] = {ui_->editRG1, ui_->editRG2, ui_->editRG3, ui_->editRG4, ui_->editRG5, ui_->editRG6};
  TSpinButton* leftSpin[6] = {ui_->spinLG1, ui_->spinLG2, ui_->spinLG3, ui_->spinLG4, ui_->spinLG5, ui_->spinLG6};
  TSpinButton* rightSpin[6] = {ui_->spinRG1, ui_->spinRG2, ui_->spinRG3, ui_->spinRG4, ui_->spinRG5, ui_->spinRG6};
  for (size_t k = 0; k < 6; ++k) {
    AddField(reverb::kLowpassLeft + k, left[k], leftSpin[k]);
    AddField(reverb::kLowpassRight + k, right[k], rightSpin[k]);
  }
  QRadioButton* buttons[4] = {ui_->chamberButton, ui_->chapelButton, ui_->hallButton, ui_->customButton};
  for (int a = 0; a < 4; ++a)
    connect(buttons[a], &QRadioButton::clicked, this, [this, a] { AlgorithmClick(a + 1); });
}

TreverbDlg::~TreverbDlg() = default;

void TreverbDlg::AlgorithmClick(int algorithm) {
  fields_.values[reverb::kAlgorithm] = algorithm;
  ShowExtras();
}

void TreverbDlg::ShowExtras() {
  const int algorithm = std::clamp(int(fields_.values[reverb::kAlgorithm]), 1, 4);
  QRadioButton* buttons[4] = {ui_->chamberButton, ui_->chapelButton, ui_->hallButton, ui_->customButton};
  buttons[algorithm - 1]->setChecked(true);
  ui_->hintLabel->setText(kHints[algorithm - 1]);
}

}  // namespace tonemill::effectdialogs
