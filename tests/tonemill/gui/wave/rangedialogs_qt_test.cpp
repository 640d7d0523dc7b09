// The level, filter and ring dialogs driven through their handlers: each run gives the bytes
// the engine gives for the same settings; bad texts are refused with their message and put
// back; spins stay in range; the overwrite question's Cancel closes; Cancel mid-run keeps a
// valid output.
#include "workshop_qt.h"

#include "tonemill/gui/wave/RangeDlg.h"
#include "tonemill/wave/effectparams.h"
#include "tonemill/gui/widgets/SpinButton.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

using namespace tonemill;
using namespace workshop;
using qttesting::Answers;
using platform::Answer;

namespace {

using Make = std::function<std::unique_ptr<wave::TRangeDlg>(const LaunchValues&)>;
using Engine = std::function<RangeResult(const RangeRequest&, const LaunchValues&, Progress&)>;

struct Case {
  const char* name;
  Make make;
  std::vector<std::pair<const char*, const char*>> fields;  // edit, text typed
  Engine engine;                                             // the same settings, directly
  int help;
};

// The dialog of a command's row in the table of effects.
Make Dialog(const char* command) {
  return [command](const LaunchValues& l) { return std::make_unique<wave::TRangeDlg>(nullptr, *FindEffect(command), l); };
}

std::vector<Case> Cases() {
  return {
      {"compress", Dialog("compress"),
       {{"paramEdit", "0.5"}, {"ampEdit", "2"}, {"timeEdit", "10"}},
       [](const RangeRequest& r, const LaunchValues& l, Progress& p) {
         return ExpandRange(r, EnhanceSettingsOf(false, 0.5, 2, 10, l), p);
       },
       3120},
      {"expand", Dialog("expand"), {{"paramEdit", "0.2"}},
       [](const RangeRequest& r, const LaunchValues& l, Progress& p) {
         return ExpandRange(r, EnhanceSettingsOf(true, 0.2, 0.05, 50, l), p);
       },
       3130},
      {"fade", Dialog("fade"), {{"startFactorEdit", "1.5"}, {"endFactorEdit", "-0.25"}},
       [](const RangeRequest& r, const LaunchValues&, Progress& p) { return FadeRange(r, {1.5, -0.25}, p); },
       3140},
      {"gate", Dialog("gate"), {{"thresholdEdit", "20000"}, {"attackEdit", "2"}, {"decayEdit", "3.5"}},
       [](const RangeRequest& r, const LaunchValues& l, Progress& p) {
         return GateRange(r, GateSettingsOf(20000, 2, 3.5, l), p);
       },
       3150},
      {"gatedcut", Dialog("gatedcut"), {{"thresholdEdit", "15000"}},
       [](const RangeRequest& r, const LaunchValues&, Progress& p) { return GatedCutRange(r, {15000, true}, p); },
       3160},
      {"extend", Dialog("extend"), {{"durationEdit", "5"}},
       [](const RangeRequest& r, const LaunchValues& l, Progress& p) {
         return ExtendWav(r.input, r.output, ExtendSettingsOf(5, false, l), p);
       },
       3230},
      {"highpass", Dialog("highpass"), {{"hhfEdit", "1000"}},
       [](const RangeRequest& r, const LaunchValues&, Progress& p) { return LowHighRange(r, {1000, 1, false}, p); },
       3020},
      {"lowpass", Dialog("lowpass"), {{"hhfEdit", "800"}, {"ampEdit", "-1"}},
       [](const RangeRequest& r, const LaunchValues&, Progress& p) { return LowHighRange(r, {800, -1, true}, p); },
       3010},
      {"notch", Dialog("notch"), {{"centerEdit", "2000"}, {"widthEdit", "500"}},
       [](const RangeRequest& r, const LaunchValues&, Progress& p) {
         return BandNotchRange(r, {2000, 500, 1, true}, p);
       },
       3040},
      {"ring", Dialog("ring"), {{"rateEdit", "440"}},
       [](const RangeRequest& r, const LaunchValues&, Progress& p) { return RingRange(r, {440, RingWave::Sine}, p); },
       3050},
  };
}

}  // namespace

void RangeDialogsTest::runsLikeTheEngine() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {22050, 16, 2}, 4410);
  for (const Case& c : Cases()) {
    const LaunchValues launch = LaunchFor(dir.File("in.wav"), dir.File("out.wav"), 10, 150, ChannelChoice::Right);
    Answers answers;
    std::unique_ptr<wave::TRangeDlg> dialog = c.make(launch);
    dialog->show();
    QCOMPARE(dialog->HelpContext(), c.help);
    for (const auto& [edit, text] : c.fields) {
      wave::TNumberField* field = dialog->Field(edit);
      QVERIFY2(field, edit);
      field->Edit()->setText(text);
      QVERIFY(field->Exit());
    }
    dialog->OKBtnClick();
    QVERIFY2(answers.Texts().isEmpty(), c.name);
    QCOMPARE(int(dialog->Outcome()->end), int(ops::JobOutcome::End::Done));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    Progress progress;
    c.engine(tonemill::RangeOf(launch, dir.File("direct.wav")), launch, progress);
    QVERIFY2(Bytes(dir.File("out.wav")) == Bytes(dir.File("direct.wav")), c.name);
    std::filesystem::remove(dir.File("out.wav"));
  }
}

void RangeDialogsTest::fieldsRestoreBadTextAndSpinWithinRange() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in8.wav"), {11025, 8, 1}, 1000);
  const LaunchValues launch = LaunchFor(dir.File("in8.wav"), dir.File("out.wav"), 0, 50, ChannelChoice::Both);
  // Every dialog: a bad text in each field gives that field's message and is put back.
  for (const Case& c : Cases()) {
    std::unique_ptr<wave::TRangeDlg> dialog = c.make(launch);
    dialog->show();
    for (const auto& [edit, text] : c.fields) {
      wave::TNumberField* field = dialog->Field(edit);
      const QString before = field->Text();
      field->Edit()->setText("1e");
      Answers answers;
      QVERIFY(!field->Exit());
      QCOMPARE(answers.Texts().size(), qsizetype(1));
      QCOMPARE(field->Text(), before);
    }
  }
  // The gate's threshold of an 8-bit file: 0 to 128 whatever its label says.
  wave::TRangeDlg gate(nullptr, *FindEffect("gate"), launch);
  gate.show();
  QCOMPARE(gate.findChild<QLabel*>("rangeLabel")->text(), QString("(0-255)"));
  // Made larger, it keeps its height and its fields stay by their labels.
  const int height = gate.height();
  gate.resize(gate.width() + 600, height + 300);
  QVERIFY(gate.height() < height + 50);
  QVERIFY(gate.Field("thresholdEdit")->Edit()->geometry().left() <
          gate.findChild<QLabel*>("thresholdLabel")->geometry().right() + 200);
  QCOMPARE(gate.Field("thresholdEdit")->Text(), QString("26"));
  QCOMPARE(gate.Field("attackEdit")->Text(), QString("0.00"));
  wave::TNumberField* threshold = gate.Field("thresholdEdit");
  threshold->Edit()->setText("128");
  QVERIFY(threshold->Exit());
  QTest::mouseClick(threshold->Spin()->UpButton(), Qt::LeftButton);
  QCOMPARE(threshold->Text(), QString("128"));
  threshold->SpinDownClick();
  QCOMPARE(threshold->Text(), QString("127"));
  {
    Answers answers;
    threshold->Edit()->setText("129");
    QVERIFY(!threshold->Exit());
    QCOMPARE(answers.Texts(), QStringList{"Illegal threshold value!"});
  }
  // Times in samples show no decimals; the extend duration's default is 0.
  LaunchValues samples = launch;
  samples.msMode = false;
  wave::TRangeDlg extend(nullptr, *FindEffect("extend"), samples);
  extend.show();
  QCOMPARE(extend.Field("durationEdit")->Text(), QString("0"));
  extend.Field("durationEdit")->Edit()->setText("12.4");
  QVERIFY(extend.Field("durationEdit")->Exit());
  QCOMPARE(extend.Field("durationEdit")->Text(), QString("12"));
  extend.Field("durationEdit")->SpinDownClick();
  QCOMPARE(extend.Field("durationEdit")->Text(), QString("11"));
}

void RangeDialogsTest::overwriteCancelClosesAndCancelKeepsValidOutput() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {44100, 16, 1}, 200000);
  testing_support::WriteText(dir.File("out.wav"), "keep");
  const LaunchValues launch = LaunchFor(dir.File("in.wav"), dir.File("out.wav"), 0, 5000, ChannelChoice::Both);
  {
    Answers answers({Answer::Cancel});
    wave::TRangeDlg fade(nullptr, *FindEffect("fade"), launch);
    fade.show();
    fade.OKBtnClick();
    QCOMPARE(answers.Texts(), QStringList{QString::fromStdString("File " + dir.File("out.wav") + " will be overwritten!")});
    QCOMPARE(fade.result(), int(QDialog::Rejected));
    QVERIFY(!fade.Outcome());
    QCOMPARE(testing_support::ReadBytes(dir.File("out.wav")).size(), size_t(4));
  }
  // Cancel at the first pump: a valid WAV holding what was done before it.
  Answers answers({Answer::Ok});
  wave::TRangeDlg fade(nullptr, *FindEffect("fade"), launch);
  fade.show();
  fade.Field("endFactorEdit")->SetText("0.000");
  QTimer::singleShot(0, &fade, [&] {
    QVERIFY(fade.Run().Running());
    QVERIFY(!fade.findChild<QPushButton*>("OKBtn")->isEnabled());
    QVERIFY(fade.findChild<QPushButton*>("CancelBtn")->isEnabled());
    fade.CancelBtnClick();
  });
  fade.OKBtnClick();
  QCOMPARE(int(fade.Outcome()->end), int(ops::JobOutcome::End::Cancelled));
  const testing_support::WavData out = testing_support::ReadWav(dir.File("out.wav"));
  QVERIFY(out.samples.size() > 0 && out.samples.size() < 200000);
  QCOMPARE(out.dataSize, uint32_t(out.samples.size() * 2));
  QVERIFY(fade.findChild<QPushButton*>("OKBtn")->isEnabled());  // the run's scope ended
}

void RangeDialogsTest::previewPlaysWhatTheEngineMakesOfTheFirstSeconds() {
  // 12 s marked from 0.5 s to the end: each preview plays, from the mark's start, what the engine
  // makes of the first 10 s of it, and leaves the target alone.
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {11025, 16, 1}, 12 * 11025);
  const LaunchValues launch = LaunchFor(dir.File("in.wav"), dir.File("out.wav"), 500, 12000, ChannelChoice::Both);
  LaunchValues cut = launch;
  cut.end = 10500;
  const int64_t first = 5512, inputEnd = 10500 * 11025 / 1000 + 1;
  for (const Case& c : Cases()) {
    qttesting::FakeSound sound;
    Answers answers;
    std::unique_ptr<wave::TRangeDlg> dialog = c.make(launch);
    dialog->SetPreviewDirectory(QString::fromStdString(dir.Dir()));
    dialog->show();
    for (const auto& [edit, text] : c.fields) {
      dialog->Field(edit)->Edit()->setText(text);
      QVERIFY(dialog->Field(edit)->Exit());
    }
    dialog->findChild<QPushButton*>("PreviewBtn")->click();
    QVERIFY2(answers.Texts().isEmpty(), c.name);
    QVERIFY2(sound.last && sound.last->Advance(20 * 11025) > 0, c.name);
    Progress progress;
    c.engine(tonemill::RangeOf(cut, dir.File("direct.wav")), cut, progress);
    const std::vector<uint8_t> direct = Bytes(dir.File("direct.wav"));
    const int64_t end = int64_t(direct.size() - 44) / 2 - (12 * 11025 - inputEnd);
    QCOMPARE(int64_t(sound.last->Bytes().size()), 2 * (end - first));
    QVERIFY2(sound.last->Bytes() == QByteArray(reinterpret_cast<const char*>(direct.data() + 44 + 2 * first),
                                               qsizetype(2 * (end - first))),
             c.name);
    const QString file = dialog->Preview().File();
    dialog->CancelBtnClick();
    QVERIFY(!QFileInfo::exists(file) && !std::filesystem::exists(dir.File("out.wav")));
  }
}
