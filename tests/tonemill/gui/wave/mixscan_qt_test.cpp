// The mixer and the scan dialogs driven through their handlers.
#include "workshop_qt.h"

#include "tonemill/gui/widgets/FileBrowser.h"
#include "tonemill/gui/wave/WAVmixDlg.h"
#include "tonemill/gui/wave/WavscanDlg.h"
#include "tonemill/files/wavheader.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>

using namespace tonemill;
using namespace workshop;
using qttesting::Answers;
using platform::Answer;
using qttesting::Child;

void MixScanTest::mixerTakesAnyInputAndOutputEncoding() {
  // A FLAC source and a 24-bit 48 kHz one, mixed into other rates and widths; a rate out of
  // range is refused before anything is written.
  testing_support::TempDir dir;
  WriteSound(dir.File("a.flac"), Container::Flac, {96000, 24, 2}, 4800);
  WriteSound(dir.File("b.wav"), Container::Wav, {48000, 24, 1}, 4800);
  const struct {
    const char* button;
    QString rate;
    const char* width;
    WaveEncoding expected;
  } cases[] = {{"otherRateButton", "48000", "twentyfourButton", {{48000, 24, 2}, false}},
               {"otherRateButton", "96000", "floatButton", {{96000, 32, 2}, true}},
               {"fourtyfourButton", "7", "thirtytwoButton", {{44100, 32, 2}, false}},
               {"otherRateButton", "8000", "eightButton", {{8000, 8, 2}, false}}};
  for (const auto& c : cases) {
    const std::string output = dir.File("mix.wav");
    std::filesystem::remove(output);
    Answers answers;
    wave::TWAVmixDlg mix(nullptr, LaunchFor(dir.File("b.wav"), output, 0, 10, ChannelChoice::Both));
    mix.show();
    wave::TFileBrowser* browser = Child<wave::TFileBrowser>(mix, "browser");
    browser->Filter()->setCurrentIndex(1);  // the other containers listed
    browser->SelectFile(qttesting::Q(dir.File("a.flac")));
    QCOMPARE(browser->FileName(), qttesting::Q(dir.File("a.flac")));
    QVERIFY(Child<QPushButton>(mix, "addButton")->isEnabled());
    mix.addButtonClick();
    Child<QComboBox>(mix, "rateBox")->setCurrentText(c.rate);
    Child<QRadioButton>(mix, c.button)->click();
    Child<QRadioButton>(mix, c.width)->click();
    mix.OKbtnClick();
    QCOMPARE(answers.Texts(), QStringList());
    QVERIFY(mix.Outcome() && mix.Outcome()->end == ops::JobOutcome::End::Done);
    const std::optional<WaveEncoding> got = EngineEncoding(TWAVheader(output));
    QVERIFY(got && *got == c.expected);
  }
  Answers answers;
  wave::TWAVmixDlg mix(nullptr, LaunchFor(dir.File("b.wav"), dir.File("mix2.wav"), 0, 10, ChannelChoice::Both));
  mix.show();
  Child<QComboBox>(mix, "rateBox")->setCurrentText("192001");
  Child<QRadioButton>(mix, "otherRateButton")->click();
  mix.OKbtnClick();
  QCOMPARE(answers.Texts(), QStringList{"Illegal sampling rate! (8000 to 192000 Hz)"});
  QVERIFY(!std::filesystem::exists(dir.File("mix2.wav")));
}

void MixScanTest::mixerGridChecksAndRun() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("a.wav"), {44100, 16, 2}, 3000);
  WriteSignal(dir.File("b.wav"), {22050, 8, 1}, 2000);
  WriteSignal(dir.File("c.wav"), {11025, 16, 1}, 500);
  const LaunchValues launch = LaunchFor(dir.File("a.wav"), dir.File("mix.wav"), 0, 10, ChannelChoice::Both);
  Answers answers;
  wave::TWAVmixDlg mix(nullptr, launch);
  mix.show();
  QTableWidget* grid = Child<QTableWidget>(mix, "StringGrid1");
  QCOMPARE(grid->rowCount(), 1);
  QCOMPARE(grid->item(0, 0)->text(), qttesting::Q(dir.File("a.wav")));  // the input, as the browser shows it
  QVERIFY(!Child<QPushButton>(mix, "DeleteButton")->isEnabled());
  wave::TFileBrowser* browser = Child<wave::TFileBrowser>(mix, "browser");
  browser->SelectFile(qttesting::Q(dir.File("b.wav")));
  QVERIFY(Child<QPushButton>(mix, "addButton")->isEnabled());
  mix.addButtonClick();
  browser->SelectFile(qttesting::Q(dir.File("c.wav")));
  mix.addButtonClick();
  QCOMPARE(grid->rowCount(), 3);
  QVERIFY(Child<QPushButton>(mix, "DeleteButton")->isEnabled());
  // A bad factor is refused when its cell is left: it stays selected and OK goes off.
  grid->item(1, 1)->setText("0.5");
  grid->item(1, 2)->setText("x");
  mix.StringGrid1SelectCell(1, 2);
  QVERIFY(!mix.StringGrid1SelectCell(0, 0));
  QCOMPARE(answers.Texts(), QStringList{"Illegal Right amplitude factor!"});
  QCOMPARE(grid->currentColumn(), 2);
  QVERIFY(!Child<QPushButton>(mix, "OKBtn")->isEnabled());
  grid->item(1, 2)->setText("-1");
  QVERIFY(mix.StringGrid1SelectCell(2, 0));
  QVERIFY(Child<QPushButton>(mix, "OKBtn")->isEnabled());
  // The output may be none of the sources.
  Child<QLineEdit>(mix, "toFileEdit")->setText(qttesting::Q(dir.File("c.wav")));
  mix.toFileEditExit();
  QVERIFY(!Child<QPushButton>(mix, "OKBtn")->isEnabled());
  Child<QLineEdit>(mix, "toFileEdit")->setText(qttesting::Q(dir.File("mix.wav")));
  mix.toFileEditExit();
  QVERIFY(Child<QPushButton>(mix, "OKBtn")->isEnabled());
  // Remove the last row; a source deleted meanwhile is reported at OK.
  mix.deleteButtonClick();
  QCOMPARE(grid->rowCount(), 2);
  std::filesystem::rename(dir.File("b.wav"), dir.File("b.moved"));
  mix.OKbtnClick();
  QCOMPARE(answers.Texts().last(), qttesting::Q("Can't find WAV file " + dir.File("b.wav")));
  QVERIFY(!std::filesystem::exists(dir.File("mix.wav")));
  std::filesystem::rename(dir.File("b.moved"), dir.File("b.wav"));
  // The overwrite question's Cancel returns to the grid.
  testing_support::WriteText(dir.File("mix.wav"), "old");
  Answers questions({Answer::Cancel, Answer::Ok});
  Child<QRadioButton>(mix, "monoButton")->click();
  Child<QRadioButton>(mix, "twentytwoButton")->click();
  mix.OKbtnClick();
  QVERIFY(mix.isVisible());
  QCOMPARE(testing_support::ReadBytes(dir.File("mix.wav")).size(), size_t(3));
  mix.OKbtnClick();
  QCOMPARE(questions.Texts().size(), qsizetype(2));
  QCOMPARE(int(mix.Outcome()->end), int(ops::JobOutcome::End::Done));
  QCOMPARE(mix.result(), int(QDialog::Accepted));
  Progress progress;
  MixWavFiles({{dir.File("a.wav"), 1, 1}, {dir.File("b.wav"), 0.5, -1}}, dir.File("direct.wav"),
              {22050, 16, 1}, progress);
  QVERIFY(Bytes(dir.File("mix.wav")) == Bytes(dir.File("direct.wav")));
}

void MixScanTest::scanFiguresAndCancel() {
  testing_support::TempDir dir;
  testing_support::WriteWav(dir.File("m8.wav"), {11025, 8, 1}, {128, 0, 255, 128, 200});
  WriteSignal(dir.File("long.wav"), {44100, 16, 2}, 400000);
  testing_support::WriteText(dir.File("bad.wav"), "RIFF");
  {
    Answers answers;
    wave::TWAVscanDlg scan(nullptr);
    scan.fileEdit()->setText(qttesting::Q(dir.File("none.wav")));
    QVERIFY(!scan.fileOK());
    scan.fileEdit()->setText(qttesting::Q(dir.File("bad.wav")));
    QVERIFY(!scan.fileOK());
    QCOMPARE(answers.Texts(), (QStringList{qttesting::Q("Can't find WAV file " + dir.File("none.wav")),
                                           qttesting::Q("Premature end of WAV file " + dir.File("bad.wav"))}));
  }
  wave::TWAVscanDlg scan(nullptr);
  scan.fileEdit()->setText(qttesting::Q(dir.File("m8.wav")));
  QVERIFY(scan.fileOK());
  QCOMPARE(Child<QLineEdit>(scan, "sampleEdit")->text(), QString("5"));
  QCOMPARE(Child<QLineEdit>(scan, "minLedit")->text(), QString());
  scan.show();
  scan.RunScan();
  // Made taller, it grows no more than its content: nothing in it gains from height.
  const int height = scan.height();
  scan.resize(scan.width(), height + 300);
  QVERIFY(scan.height() < height + 50);
  QCOMPARE(Child<QLineEdit>(scan, "minLedit")->text(), QString("0/0"));
  QCOMPARE(Child<QLineEdit>(scan, "maxLedit")->text(), QString("255/255"));
  QCOMPARE(Child<QLineEdit>(scan, "saturLedit")->text(), QString("2"));
  QCOMPARE(Child<QProgressBar>(scan, "satGaugeL")->value(), 40);
  QCOMPARE(Child<QLineEdit>(scan, "minRedit")->text(), QString());  // mono: the right stays empty
  // Too short for one loudness block; its true peak is full scale.
  QCOMPARE(Child<QLineEdit>(scan, "integratedEdit")->text(), QString("-inf LUFS"));
  QCOMPARE(Child<QLineEdit>(scan, "truePeakEdit")->text().endsWith(" dBTP"), true);
  QVERIFY(Child<QPushButton>(scan, "OKBtn")->isEnabled());
  QVERIFY(!Child<QPushButton>(scan, "CancelBtn")->isEnabled());
  // Cancel during the scan stops it and closes the dialog.
  wave::TWAVscanDlg longScan(nullptr);
  longScan.fileEdit()->setText(qttesting::Q(dir.File("long.wav")));
  QVERIFY(longScan.fileOK());
  longScan.show();
  QTimer::singleShot(0, &longScan, [&] { longScan.CancelBtnClick(); });
  longScan.RunScan();
  QVERIFY(longScan.Result()->cancelled);
  QCOMPARE(longScan.result(), int(QDialog::Rejected));
  QVERIFY(!longScan.isVisible());
}

void MixScanTest::scanDecodesOtherEncodings() {
  // Scanned as the command line scans them: decoded first, the file named as the user chose it.
  testing_support::TempDir dir;
  WriteSound(dir.File("a.flac"), Container::Flac, {44100, 16, 1}, 22050);
  WriteSound(dir.File("b24.wav"), Container::Wav, {48000, 24, 2}, 9600);
  WriteSound(dir.File("long.flac"), Container::Flac, {96000, 24, 2}, 96000);
  std::vector<uint8_t> cut = Bytes(dir.File("long.flac"));
  cut.resize(cut.size() / 2);
  testing_support::WriteBytes(dir.File("cut.flac"), cut);
  testing_support::WriteText(dir.File("text.flac"), "not audio");
  const struct {
    const char* file;
    const char* bits;
    const char* rate;
    const char* samples;
    const char* minimumSuffix;
    QString message;  // after the scan, or from fileOK when it refuses
  } cases[] = {
      {"a.flac", "16", "44100", "22050", "/-32768", {}},
      {"b24.wav", "24", "48000", "9600", "/-8388608", {}},
      {"cut.flac", "24", "96000", "96000", "/-8388608",
       qttesting::Q("Premature end of FLAC file " + dir.File("cut.flac"))},
      {"text.flac", "", "", "", "", qttesting::Q(dir.File("text.flac") + ": unsupported encoding (")},
  };
  for (const auto& c : cases) {
    Answers answers;
    wave::TWAVscanDlg scan(nullptr);
    scan.fileEdit()->setText(qttesting::Q(dir.File(c.file)));
    if (!*c.bits) {
      QVERIFY(!scan.fileOK());
      QCOMPARE(answers.Texts().size(), 1);
      QVERIFY2(answers.Texts()[0].startsWith(c.message), qPrintable(answers.Texts()[0]));
      continue;
    }
    QVERIFY2(scan.fileOK(), c.file);
    QCOMPARE(Child<QLineEdit>(scan, "bitEdit")->text(), QString(c.bits));
    QCOMPARE(Child<QLineEdit>(scan, "rateEdit")->text(), QString(c.rate));
    QCOMPARE(Child<QLineEdit>(scan, "sampleEdit")->text(), QString(c.samples));
    scan.show();
    scan.RunScan();
    QVERIFY(Child<QLineEdit>(scan, "minLedit")->text().endsWith(c.minimumSuffix));
    QCOMPARE(Child<QLineEdit>(scan, "saturLedit")->text(), QString("0"));
    // The loudness comes only after a whole scan.
    QCOMPARE(Child<QLineEdit>(scan, "integratedEdit")->text().isEmpty(), !c.message.isEmpty());
    QCOMPARE(answers.Texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
  }
}
