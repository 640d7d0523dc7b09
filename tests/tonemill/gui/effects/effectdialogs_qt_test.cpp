// The five effect dialogs driven through their handlers: the patch grid and its file, a run of
// each effect compared with the same effect run by the operation directly (in ms and in
// samples), the vocoder's own checks, and Cancel in the middle of a library call.
#include "tests/tonemill/gui/wave/workshop_qt.h"

#include "tonemill/gui/effects/ChorusDlg.h"
#include "tonemill/gui/effects/EchoDlg.h"
#include "tonemill/gui/effects/FlangeDlg.h"
#include "tonemill/gui/effects/ReverbDlg.h"
#include "tonemill/gui/effects/VocodeDlg.h"
#include "tonemill/gui/widgets/FileBrowser.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <memory>

using namespace tonemill;
using namespace workshop;
using qttesting::Answers;
using platform::Answer;
namespace fx = tonemill::effectdialogs;

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

QString Cell(QTableWidget* grid, int row, int column) { return grid->item(row, column)->text(); }

// Types `text` into the number field of `column` and leaves it.
void Type(fx::TEffectDlg& dialog, size_t column, const char* text) {
  wave::TNumberField* field = dialog.Field(column);
  field->Edit()->setText(text);
  QVERIFY2(field->Exit(), text);
}

// The same job run by the operation the command line uses.
void RunDirect(EffectKind kind, const LaunchValues& launch, const std::vector<std::pair<size_t, const char*>>& typed,
               const std::string& output, const std::function<void(EffectJob&)>& more = {}) {
  EffectJob job;
  job.kind = kind;
  job.launch = launch;
  job.launch.output = output;
  job.fields = FieldsFromPatch(kind, DefaultPatch(LayoutOf(kind)), launch);
  for (const auto& [column, text] : typed) QVERIFY(!SetField(job.fields, column, text, launch));
  if (more) more(job);
  job.overwrite = Overwrite::Replace;
  Progress progress;
  const ops::JobOutcome outcome = RunEffect(job, progress, nullptr, nullptr);
  QCOMPARE(int(outcome.end), int(ops::JobOutcome::End::Done));
}

}  // namespace

void EffectDialogsTest::patchGridAndFileRoundTrip() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {22050, 16, 1}, 2205);
  const std::string ini = PatchFilePath(EffectKind::Echo);
  testing_support::WriteText(ini, "Default 100.0 50.0 100.00\r\nSlap_back 80 0 50\r\n\r\n");
  const LaunchValues launch = LaunchFor(dir.File("in.wav"), dir.File("out.wav"), 0, 100, ChannelChoice::Both);
  Answers answers;
  fx::TechoDlg echo(nullptr, launch);
  echo.show();
  QTableWidget* grid = echo.PatchGrid();
  QCOMPARE(grid->rowCount(), 2);
  QCOMPARE(Cell(grid, 1, 0), QString("Slap back"));
  QCOMPARE(Cell(grid, 1, 1), QString("80.0"));  // reformatted with the column's decimals
  QCOMPARE(echo.Field(echo::kLevel)->Text(), QString("100.0"));
  auto enabled = [&](const char* name) { return echo.findChild<QPushButton*>(name)->isEnabled(); };
  QVERIFY(!enabled("removeBtn") && !enabled("updateBtn"));
  QVERIFY(!(grid->item(0, 1)->flags() & Qt::ItemIsEditable));  // the first patch is protected
  // Selecting a row loads it; Update stores the fields into it, not its name.
  grid->setCurrentCell(1, 2);
  QCOMPARE(echo.Field(echo::kDelay)->Text(), QString("50.00"));
  QVERIFY(enabled("removeBtn") && enabled("updateBtn"));
  Type(echo, echo::kLevel, "70");
  echo.updateBtnClick();
  QCOMPARE(Cell(grid, 1, 1), QString("70.0"));
  QCOMPARE(Cell(grid, 1, 0), QString("Slap back"));
  // Add appends "New" with the fields.
  Type(echo, echo::kFeedback, "-25");
  echo.addBtnClick();
  QCOMPARE(grid->rowCount(), 3);
  QCOMPARE(Cell(grid, 2, 0), QString("New"));
  QCOMPARE(Cell(grid, 2, 2), QString("-25.0"));
  // A cell edited in place passes its column's check or goes back.
  grid->item(2, 1)->setText("200");
  QCOMPARE(answers.Texts(), QStringList{"Illegal level value!"});
  QCOMPARE(Cell(grid, 2, 1), QString("70.0"));
  grid->item(2, 3)->setText("99999");  // a delay beyond the file's 100 ms
  QCOMPARE(answers.Texts().last(), QString("Illegal delay value!"));
  grid->item(2, 3)->setText("12.345");
  QCOMPARE(Cell(grid, 2, 3), QString("12.35"));
  QCOMPARE(echo.Field(echo::kDelay)->Text(), QString("12.35"));  // the selected row, loaded again
  grid->item(2, 0)->setText("Long tail");
  // Remove deletes the selected row; with one row left it is disabled.
  grid->setCurrentCell(1, 0);
  echo.removeBtnClick();
  QCOMPARE(grid->rowCount(), 2);
  QCOMPARE(Cell(grid, 1, 0), QString("Long tail"));
  // What another process saved while the dialog was open stays: OK writes only this dialog's
  // change.
  testing_support::WriteText(ini, "Default 100.0 50.0 100.00\r\nSlap_back 80 0 50\r\nOther 10 20 30\r\n");
  echo.OKbtnClick();
  QCOMPARE(answers.Texts().size(), qsizetype(2));
  QCOMPARE(ReadText(ini), std::string("Default 100.0 50.0 100.00\r\nOther 10.0 20.0 30.00\r\n"
                                      "Long_tail 70.0 -25.0 12.35\r\n"));

  // In samples a time field shows whole frames and a patch keeps milliseconds.
  LaunchValues frames = launch;
  frames.msMode = false;
  fx::TflangeDlg flange(nullptr, frames);
  flange.show();
  QCOMPARE(flange.Field(flange::kVariation)->Text(), QString("22"));  // 1 ms at 22.05 frames per ms
  Type(flange, flange::kOffset, "-441");
  flange.addBtnClick();
  QCOMPARE(Cell(flange.PatchGrid(), 1, 4), QString("-20.00"));
  QCOMPARE(flange.findChild<QLabel*>("offsetUnit")->text(), QString("samples"));
}

void EffectDialogsTest::runsLikeTheEngineInBothUnits() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {22050, 16, 2}, 8820);
  struct Case {
    EffectKind kind;
    std::function<std::unique_ptr<fx::TEffectDlg>(const LaunchValues&)> make;
    std::vector<std::pair<size_t, const char*>> ms, samples;
  };
  const Case cases[] = {
      {EffectKind::Echo, [](const LaunchValues& l) { return std::make_unique<fx::TechoDlg>(nullptr, l); },
       {{echo::kDelay, "12.5"}, {echo::kFeedback, "-30"}}, {{echo::kDelay, "275"}}},
      {EffectKind::Flange, [](const LaunchValues& l) { return std::make_unique<fx::TflangeDlg>(nullptr, l); },
       {{flange::kVariation, "3"}, {flange::kRate, "2.5"}, {flange::kFeedback, "40"}},
       {{flange::kOffset, "-20"}, {flange::kVariation, "50"}}},
      {EffectKind::Chorus, [](const LaunchValues& l) { return std::make_unique<fx::TchorusDlg>(nullptr, l); },
       {{chorus::kOffset, "-5"}, {chorus::kEffect, "0.7"}}, {{chorus::kVariation, "100"}}},
      {EffectKind::Reverb, [](const LaunchValues& l) { return std::make_unique<fx::TreverbDlg>(nullptr, l); },
       {{reverb::kDecay, "450"}, {reverb::kLevelRight, "35"}}, {{reverb::kDelay, "220"}, {reverb::kLowpassLeft + 2, "10"}}},
  };
  for (const Case& c : cases) {
    for (const bool ms : {true, false}) {
      LaunchValues launch = LaunchFor(dir.File("in.wav"), dir.File("out.wav"), 20, 300, ChannelChoice::Left);
      if (!ms) launch = EditorLaunch(launch.input, launch.output, [&] {
                          EditorInput in;
                          CheckEditorInput(launch.input, in);
                          return in;
                        }(), false, {441, 6615}, ChannelChoice::Left);
      const auto& typed = ms ? c.ms : c.samples;
      Answers answers({Answer::Ok});
      std::unique_ptr<fx::TEffectDlg> dialog = c.make(launch);
      dialog->show();
      for (const auto& [column, text] : typed) Type(*dialog, column, text);
      if (c.kind == EffectKind::Reverb) dialog->findChild<QRadioButton*>("customButton")->click();
      dialog->OKbtnClick();
      QVERIFY2(answers.Texts().isEmpty(), EffectName(c.kind));
      QCOMPARE(int(dialog->Outcome()->end), int(ops::JobOutcome::End::Done));
      RunDirect(c.kind, launch, typed, dir.File("direct.wav"), [&](EffectJob& job) {
        if (c.kind == EffectKind::Reverb) job.fields.values[reverb::kAlgorithm] = 4;
      });
      QVERIFY2(Bytes(dir.File("out.wav")) == Bytes(dir.File("direct.wav")), EffectName(c.kind));
      QVERIFY(Bytes(dir.File("out.wav")) != Bytes(dir.File("in.wav")));
      std::filesystem::remove(dir.File("out.wav"));
    }
  }
}

void EffectDialogsTest::vocoderControlFileBandsAndEquidistant() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("carrier.wav"), {22050, 16, 1}, 4410);
  WriteSignal(dir.File("voice.wav"), {22050, 16, 1}, 3000);
  WriteSignal(dir.File("out.wav"), {22050, 16, 1}, 10);
  testing_support::WriteText(dir.File("broken.wav"), "not a wav file");
  const LaunchValues launch = LaunchFor(dir.File("carrier.wav"), dir.File("out.wav"), 0, 150, ChannelChoice::Both);
  fx::TVocodeDlg vocoder(nullptr, launch);
  vocoder.show();
  wave::TFileBrowser* browser = vocoder.findChild<wave::TFileBrowser*>("controlBrowser");
  QCOMPARE(browser->FileName(), QString::fromStdString(dir.File("carrier.wav")));  // starts at the input
  QTableWidget* bands = vocoder.findChild<QTableWidget*>("StringGrid1");
  QCOMPARE(bands->item(1, 29)->text(), QString("1450"));  // band 30's width
  {
    // The control file is checked before anything else; the output may not be one.
    Answers answers;
    browser->SelectFile(QString::fromStdString(dir.File("broken.wav")));
    vocoder.OKbtnClick();
    browser->SelectFile(QString::fromStdString(dir.File("out.wav")));
    vocoder.OKbtnClick();
    browser->SelectFile(QString::fromStdString(dir.File("voice.wav")));
    // An edited table keeps its check: 32 bands, of which 31 and 32 lie above 11025 Hz.
    bands->item(1, 9)->setText("100");
    vocoder.OKbtnClick();
    QCOMPARE(answers.Texts(),
             (QStringList{QString::fromStdString("Error reading control file " + dir.File("broken.wav") + "!"),
                          "Can't overwrite source file!",
                          "Band 31 (ctl): the centre must lie from 0 to 11025 Hz and the width above 0 up to 11025 Hz!"}));
    QVERIFY(vocoder.isVisible());
    // A band cell: frequencies 0 to 44100, weights any number.
    bands->item(0, 3)->setText("50000");
    bands->item(4, 3)->setText("x");
    bands->item(4, 2)->setText("0.5");
    QCOMPARE(answers.Texts().mid(3), (QStringList{"The allowed frequency range is 0 to 44100 Hz!",
                                                  "Illegal band weight factor!"}));
    QCOMPARE(bands->item(0, 3)->text(), QString("1560"));
    QCOMPARE(vocoder.Fields().bands[2][vocoder::kWeight], std::string("0.5"));
  }
  // Equidistant over four bands: first and last centre kept, the widths and centres between.
  Type(vocoder, vocoder::kBands, "4");
  vocoder.equidistantBtnClick();
  QCOMPARE(bands->item(0, 1)->text(), QString("975"));
  QCOMPARE(bands->item(0, 2)->text(), QString("1170"));
  QCOMPARE(bands->item(0, 3)->text(), QString("1560"));
  QCOMPARE(bands->item(3, 0)->text(), QString("195"));
  vocoder.findChild<QCheckBox*>("normBox")->setChecked(true);
  Answers answers({Answer::Ok});
  vocoder.OKbtnClick();
  QCOMPARE(answers.Texts(), QStringList{QString::fromStdString("File " + dir.File("out.wav") + " will be overwritten!")});
  QCOMPARE(int(vocoder.Outcome()->end), int(ops::JobOutcome::End::Done));
  const EffectFields used = vocoder.Fields();
  EffectJob job;
  job.kind = EffectKind::Vocoder;
  job.launch = launch;
  job.launch.output = dir.File("direct.wav");
  job.fields = used;
  job.controlFile = dir.File("voice.wav");
  job.normalize = true;
  Progress progress;
  QCOMPARE(int(RunEffect(job, progress, nullptr, nullptr).end), int(ops::JobOutcome::End::Done));
  QVERIFY(Bytes(dir.File("out.wav")) == Bytes(dir.File("direct.wav")));

  // The default table leaves out the bands the rate cannot carry, with one warning.
  Answers warned;
  fx::TVocodeDlg defaults(nullptr, LaunchFor(dir.File("carrier.wav"), dir.File("fitted.wav"), 0, 150,
                                             ChannelChoice::Both));
  defaults.show();
  defaults.findChild<wave::TFileBrowser*>("controlBrowser")->SelectFile(QString::fromStdString(dir.File("voice.wav")));
  defaults.OKbtnClick();
  QCOMPARE(warned.Texts(), QStringList{"Bands 31 to 32 of the default table lie above 11025 Hz, half the "
                                       "carrier's rate, and are left out."});
  QCOMPARE(int(defaults.Outcome()->end), int(ops::JobOutcome::End::Done));
}

void EffectDialogsTest::cancelMidRunLeavesValidOutput() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {44100, 16, 2}, 300000);
  const LaunchValues launch = LaunchFor(dir.File("in.wav"), dir.File("out.wav"), 0, 7000, ChannelChoice::Both);
  Answers answers;
  fx::TreverbDlg reverb(nullptr, launch);
  reverb.show();
  bool wasLive = false;
  QTimer::singleShot(0, &reverb, [&] {
    wasLive = reverb.findChild<QPushButton*>("CancelBtn")->isEnabled() &&
              !reverb.findChild<QPushButton*>("OKBtn")->isEnabled() &&
              !reverb.findChild<QPushButton*>("addBtn")->isEnabled();
    reverb.close();  // closing the window during the run is a Cancel
  });
  reverb.OKbtnClick();
  QVERIFY(wasLive);
  QCOMPARE(int(reverb.Outcome()->end), int(ops::JobOutcome::End::Cancelled));
  QVERIFY(answers.Texts().isEmpty());
  const testing_support::WavData out = testing_support::ReadWav(dir.File("out.wav"));
  QVERIFY(out.samples.size() > 0 && out.samples.size() < 600000);
  QCOMPARE(out.dataSize, uint32_t(out.samples.size() * 2));
}

void EffectDialogsTest::previewPlaysTheFirstSecondsAndLeavesTheTarget() {
  // 12 s of 11025 Hz stereo, marked from 1 s to the end: the preview plays the echo of 1 s to
  // 11 s, the frames OK's run would give there, and writes nothing to the target.
  testing_support::TempDir dir, temp;
  WriteSignal(dir.File("in.wav"), {11025, 16, 2}, 12 * 11025);
  const LaunchValues launch = LaunchFor(dir.File("in.wav"), dir.File("out.wav"), 1000, 12000, ChannelChoice::Both);
  qttesting::FakeSound sound;
  Answers answers;
  fx::TechoDlg echo(nullptr, launch);
  echo.SetPreviewDirectory(QString::fromStdString(temp.Dir()));
  echo.show();
  Type(echo, echo::kDelay, "40");
  echo.findChild<QPushButton*>("PreviewBtn")->click();
  QVERIFY(answers.Texts().isEmpty());
  QVERIFY(!std::filesystem::exists(dir.File("out.wav")));
  const QString preview = echo.Preview().File();
  QVERIFY(preview.startsWith(QString::fromStdString(temp.Dir())) && QFileInfo::exists(preview));
  QCOMPARE(int(echo.Preview().Player().GetMode()), int(app::TMediaPlayer::Mode::Playing));
  QVERIFY(sound.last->Advance(20 * 11025) > 0);
  RunDirect(EffectKind::Echo, launch, {{echo::kDelay, "40"}}, dir.File("direct.wav"));
  const std::vector<uint8_t> direct = Bytes(dir.File("direct.wav"));
  const size_t first = 44 + 11025 * 4, end = 44 + (11 * 11025 + 1) * 4;
  QCOMPARE(size_t(sound.last->Bytes().size()), end - first);
  QVERIFY(sound.last->Bytes() == QByteArray(reinterpret_cast<const char*>(direct.data() + first), qsizetype(end - first)));
  // A changed setting stops it; closing the dialog removes its file.
  echo.findChild<QPushButton*>("PreviewBtn")->click();
  QCOMPARE(int(echo.Preview().Player().GetMode()), int(app::TMediaPlayer::Mode::Playing));
  Type(echo, echo::kDelay, "60");
  QVERIFY(echo.Preview().Player().GetMode() != app::TMediaPlayer::Mode::Playing);
  echo.CancelBtnClick();
  QVERIFY(!QFileInfo::exists(preview));
  QVERIFY(!std::filesystem::exists(dir.File("out.wav")));
}
