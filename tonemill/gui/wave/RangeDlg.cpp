#include "RangeDlg.h"

#include "tonemill/gui/widgets/SpinButton.h"
#include "platform/messages.h"
#include "platform/qt/cursor.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace tonemill::wave {

TRangeDlg::TRangeDlg(QWidget* parent, const LaunchValues& launch, int helpContext)
    : TDialog(parent, helpContext), launch_(launch), run_(nullptr, this) {}

void TRangeDlg::BindCommon() {
  ok_ = findChild<QPushButton*>("OKBtn");
  cancel_ = findChild<QPushButton*>("CancelBtn");
  run_.SetGauge(findChild<QProgressBar*>("gauge"));
  connect(ok_, &QPushButton::clicked, this, &TRangeDlg::OKBtnClick);
  connect(cancel_, &QPushButton::clicked, this, &TRangeDlg::CancelBtnClick);
  connect(findChild<QPushButton*>("HelpBtn"), &QPushButton::clicked, this, &TRangeDlg::HelpBtnClick);
  // Enter in an edit runs its check; it does not press OK.
  NoDefaultButton(this);
  for (const char* name : {"fromFile", "toFile"})
    if (auto* label = findChild<QLabel*>(name)) label->setVisible(false);
  findChild<QLabel*>("fromFile")->setText(QString::fromStdString(launch_.input));
  findChild<QLabel*>("toFile")->setText(QString::fromStdString(launch_.output));
}

TNumberField* TRangeDlg::AddField(QLineEdit* edit, TSpinButton* spin, const RealField& field) {
  auto* f = new TNumberField(edit, spin, [field](const std::string& text, std::string& shown) {
    double value = 0;
    return CheckField(field, text, value, shown);
  });
  fields_.emplace(f, field);
  return f;
}

TNumberField* TRangeDlg::Field(const QString& editName) const {
  for (const auto& [f, field] : fields_)
    if (f->Edit()->objectName() == editName) return f;
  return nullptr;
}

void TRangeDlg::FormActivate() {
  for (const auto& [f, field] : fields_) f->SetText(QString::fromStdString(field.defaultText));
}

void TRangeDlg::OKBtnClick() {
  // An edit still being typed in is checked first, as leaving it would.
  for (const auto& [f, field] : fields_)
    if (!f->Leave()) return;
  Problem problem;
  const std::optional<Overwrite> overwrite = CheckOutput(launch_.output, {launch_.input}, problem);
  if (!overwrite) {
    if (!problem.message.empty()) platform::ShowError(problem.BoxText());
    reject();  // the overwrite question's Cancel closes the dialog, as a refusal does
    return;
  }
  {
    RunScope scope(*this, cancel_);
    platform::HourglassCursor hourglass;
    run_.Start();
    outcome_ = RunWaveEngine(launch_.output, *overwrite, [this](const std::string& path) {
      const RangeResult r = RunEngine(tonemill::RangeOf(launch_, path), run_.Counters());
      EngineRun result;
      result.cancelled = r.cancelled;
      if (r.endsEarly) result.problem = PrematureEnd(launch_.input);
      return result;
    });
    run_.timerTimer();
    run_.Stop();
  }
  if (outcome_->end == WaveOutcome::End::Failed || outcome_->end == WaveOutcome::End::Incomplete)
    platform::ShowError(outcome_->problem.BoxText());
  accept();
}

void TRangeDlg::CancelBtnClick() {
  if (run_.Running())
    run_.Cancel();
  else
    reject();
}

}  // namespace tonemill::wave
