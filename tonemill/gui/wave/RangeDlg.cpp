#include "RangeDlg.h"

#include "tonemill/gui/widgets/SpinButton.h"
#include "platform/messages.h"
#include "platform/qt/cursor.h"
#include "tonemill/ops/effectrun.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tonemill::wave {
namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

template <class W>
W* Named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace

TRangeDlg::TRangeDlg(QWidget* parent, const EffectEntry& effect, const LaunchValues& launch)
    : TDialog(parent, effect.helpContext), effect_(effect), launch_(launch), run_(nullptr, this) {
  Lay();
}

void TRangeDlg::Lay() {
  setWindowTitle(Q(effect_.caption));
  auto* layout = new QVBoxLayout(this);
  auto* group = Named(new QGroupBox(Q(effect_.group), this), "paramGroup");
  auto* grid = new QGridLayout(group);
  int row = 0;
  for (const EffectField& f : effect_.fields) {
    const QString control = Q(f.control);
    Control c;
    switch (f.kind) {
      case FieldKind::Number: {
        grid->addWidget(Named(new QLabel(Q(f.caption), group), control + "Label"), row, 0);
        auto* edit = Named(new QLineEdit(group), control + "Edit");
        edit->setMinimumWidth(90);
        edit->setMaximumWidth(110);
        grid->addWidget(edit, row, 1);
        auto* spin = Named(new TSpinButton(group), control + "Spin");
        grid->addWidget(spin, row, 2);
        if (f.unit != FieldUnit::None) {
          const QString name = f.unitLabel ? Q(f.unitLabel) : control + "Unit";
          grid->addWidget(Named(new QLabel(QString::fromStdString(UnitText(f.unit, launch_)), group), name), row, 3);
        }
        c.rule = f.rule(launch_);
        const RealField rule = c.rule;
        c.number = new TNumberField(edit, spin, [rule](const std::string& text, std::string& shown) {
          double value = 0;
          return CheckField(rule, text, value, shown);
        }, f.step);
        break;
      }
      case FieldKind::Flag: {
        auto* box = Named(new QCheckBox(Q(f.caption), group), control);
        box->setChecked(f.flagDefault);
        grid->addWidget(box, row, 0, 1, 4);
        c.buttons.push_back(box);
        break;
      }
      case FieldKind::Choice: {
        auto* line = new QHBoxLayout;
        for (const EffectChoice& choice : f.choices) {
          auto* button = Named(new QRadioButton(Q(choice.caption), group), Q(choice.control));
          line->addWidget(button);
          c.buttons.push_back(button);
        }
        line->addStretch();
        grid->addLayout(line, row, 0, 1, 4);
        c.buttons.front()->setChecked(true);
        break;
      }
      case FieldKind::List:
      case FieldKind::File:
      case FieldKind::Table: break;  // a library effect's, on its own form
    }
    controls_.push_back(c);
    ++row;
  }
  // Wider, the fields stay by their labels.
  grid->setColumnStretch(4, 1);
  layout->addWidget(group);

  auto* gauge = Named(new QProgressBar(this), "gauge");
  gauge->setValue(0);
  gauge->setTextVisible(false);
  layout->addWidget(gauge);
  run_.SetGauge(gauge);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  ok_ = Named(new QPushButton("OK", this), "OKBtn");
  cancel_ = Named(new QPushButton("Cancel", this), "CancelBtn");
  auto* help = Named(new QPushButton("Help", this), "HelpBtn");
  for (QPushButton* b : {ok_, cancel_, help}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &TRangeDlg::OKBtnClick);
  connect(cancel_, &QPushButton::clicked, this, &TRangeDlg::CancelBtnClick);
  connect(help, &QPushButton::clicked, this, &TRangeDlg::HelpBtnClick);
  connect(preview_.AddButton(*this, ok_), &QPushButton::clicked, this, &TRangeDlg::PreviewBtnClick);
  // Enter in an edit runs its check; it does not press OK.
  NoDefaultButton(this);

  // The files, kept on the form but not shown.
  auto* files = new QHBoxLayout;
  for (const auto& [name, text] : {std::pair{"fromFile", launch_.input}, std::pair{"toFile", launch_.output}}) {
    auto* label = Named(new QLabel(QString::fromStdString(text), this), name);
    label->setVisible(false);
    files->addWidget(label);
  }
  files->addStretch();
  layout->addLayout(files);
}

TNumberField* TRangeDlg::Field(const QString& editName) const {
  for (const Control& c : controls_)
    if (c.number && c.number->Edit()->objectName() == editName) return c.number;
  return nullptr;
}

FieldValues TRangeDlg::Values() const {
  FieldValues v;
  v.launch = launch_;
  for (size_t i = 0; i < controls_.size(); ++i) {
    const Control& c = controls_[i];
    const EffectField& f = effect_.fields[i];
    double value = 0;
    if (c.number) value = c.number->Value();
    if (f.kind == FieldKind::Flag) value = c.buttons.front()->isChecked() ? 1 : 0;
    if (f.kind == FieldKind::Choice)
      for (size_t k = 0; k < c.buttons.size(); ++k)
        if (c.buttons[k]->isChecked()) value = f.firstValue + int(k);
    v.values.push_back(value);
  }
  return v;
}

void TRangeDlg::FormActivate() {
  KeepContentHeight();
  for (const Control& c : controls_)
    if (c.number) c.number->SetText(QString::fromStdString(c.rule.defaultText));
}

void TRangeDlg::OKBtnClick() {
  // An edit still being typed in is checked first, as leaving it would.
  for (const Control& c : controls_)
    if (c.number && !c.number->Leave()) return;
  preview_.Stop();
  ops::OutputJob job = WaveOutputJob(launch_.output, {launch_.input});
  if (const std::optional<ops::JobOutcome> refused = ops::PrepareOutput(job)) {
    if (!refused->problem.message.empty()) platform::ShowError(refused->problem.BoxText());
    reject();  // the overwrite question's Cancel closes the dialog, as a refusal does
    return;
  }
  const FieldValues values = Values();
  {
    RunScope scope(*this, cancel_);
    platform::HourglassCursor hourglass;
    run_.Start();
    const ops::OutputWork work = ops::CarryMetadata(job, keep_, [&](const std::string& path, Progress& progress) {
      const RangeResult r = effect_.run(tonemill::RangeOf(launch_, path), values, progress);
      return WaveWorkResult(launch_.output, r, launch_.input);
    });
    outcome_ = ops::RunOutputJob(job, run_.Counters(), work);
    run_.timerTimer();
    run_.Stop();
  }
  if (outcome_->end == ops::JobOutcome::End::Failed || outcome_->end == ops::JobOutcome::End::Incomplete)
    platform::ShowError(outcome_->problem.BoxText());
  accept();
}

void TRangeDlg::PreviewBtnClick() {
  for (const Control& c : controls_)
    if (c.number && !c.number->Leave()) return;
  preview_.Stop();
  const PreviewRange preview = PreviewOf(launch_, preview_.File().toStdString());
  ops::OutputJob job = WaveOutputJob(preview.launch.output, {preview.launch.input});
  job.overwrite = Overwrite::Replace;
  FieldValues values = Values();
  values.launch = preview.launch;
  std::optional<ops::JobOutcome> outcome;
  {
    RunScope scope(*this, cancel_);
    platform::HourglassCursor hourglass;
    run_.Start();
    outcome = ops::RunOutputJob(job, run_.Counters(), [&](const std::string& path, Progress& progress) {
      const RangeResult r = effect_.run(tonemill::RangeOf(preview.launch, path), values, progress);
      return WaveWorkResult(preview.launch.output, r, launch_.input);
    });
    run_.timerTimer();
    run_.Stop();
  }
  preview_.PlayOutcome(*outcome, preview.firstFrame, preview.endFrame, launch_.totalFrames);
}

void TRangeDlg::done(int result) {
  preview_.Remove();
  TDialog::done(result);
}

void TRangeDlg::CancelBtnClick() {
  if (run_.Running())
    run_.Cancel();
  else
    reject();
}

}  // namespace tonemill::wave
