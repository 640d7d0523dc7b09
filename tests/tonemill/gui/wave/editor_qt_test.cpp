// The WAV editor and its viewer driven through their handlers: the input and output checks,
// the selection edits, the launch values every launcher hands over, Cut/Maximize/Reverse and
// Swap, and the viewer's marking, import, playing and summary.
#include "workshop_qt.h"

#include "platform/qt/audiooutput.h"
#include "tonemill/gui/effects/EffectDlg.h"
#include "tonemill/gui/wave/RangeDlg.h"
#include "tonemill/gui/wave/WAVeditDlg.h"
#include "tonemill/gui/wave/WAVmixDlg.h"
#include "tonemill/gui/wave/WaveCurves.h"
#include "tonemill/effects/catalog.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/wave/samples.h"
#include "tonemill/wave/editorops.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace tonemill;
using namespace workshop;
using qttesting::Answers;
using platform::Answer;
using qttesting::Child;
using qttesting::FakeSound;
using qttesting::Text;

namespace {

void Type(QObject& dialog, const char* edit, const QString& text) {
  QLineEdit* e = Child<QLineEdit>(dialog, edit);
  e->setText(text);
  e->setFocus();
  QTest::keyClick(e, Qt::Key_Return);
}

void WriteFloatWav(const std::string& path, int32_t rate, const std::vector<int32_t>& values) {
  const WaveEncoding e{{rate, 32, 2}, true};
  std::vector<uint8_t> bytes = EngineWavHeader(e, uint32_t(values.size() * 4));
  const size_t start = bytes.size();
  bytes.resize(start + values.size() * 4);
  for (size_t i = 0; i < values.size(); ++i) samples::EncodeOne<MonoFloat>(values[i], &bytes[start + i * 4]);
  testing_support::WriteBytes(path, bytes);
}

}  // namespace

void EditorTest::inputAndOutputChecks() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("mono.wav"), {11025, 8, 1}, 1103);
  WriteSignal(dir.File("stereo.wav"), {44100, 16, 2}, 4410);
  testing_support::WriteText(dir.File("text.wav"), "no header");
  struct Case {
    std::string from, to;
    QStringList messages;
    bool launchers, swap;
  } cases[] = {
      {dir.File("mono.wav"), dir.File("out.wav"), {}, true, false},
      {dir.File("none.wav"), dir.File("stereo.wav"), {"File not found!"}, false, true},
      {dir.File("text.wav"), dir.File("out.wav"), {"File format error!"}, false, false},
      {dir.File("stereo.wav"), dir.File("stereo.wav"), {"Can't overwrite source file!", "Can't overwrite source file!"}, false, false},
      {dir.File("stereo.wav"), dir.File("mono.wav"), {}, true, true},
  };
  for (const Case& c : cases) {
    Answers answers;
    wave::TWAVeditDlg editor(nullptr, qttesting::Q(c.from), qttesting::Q(c.to));
    editor.show();
    QCOMPARE(answers.Texts(), c.messages);
    QCOMPARE(editor.Launcher("fadeBtn")->isEnabled(), c.launchers);
    QCOMPARE(Child<QPushButton>(editor, "swapBtn")->isEnabled(), c.swap);
  }
  // A mono input is "Left" with the channel buttons off; stereo starts on "Both".
  Answers answers;
  wave::TWAVeditDlg mono(nullptr, qttesting::Q(dir.File("mono.wav")), qttesting::Q(dir.File("out.wav")));
  mono.show();
  QVERIFY(Child<QRadioButton>(mono, "leftBtn")->isChecked());
  QVERIFY(!Child<QRadioButton>(mono, "rightBtn")->isEnabled());
  QCOMPARE(Text(mono, "endTimeEdit"), QString("100.05"));  // 1103 frames at 11025 Hz
  QVERIFY(mono.CurrentLaunch().leftOnly);
  // Leaving the output field: an invalid name or the input turns the launchers off.
  Type(mono, "toFileEdit", qttesting::Q(dir.File("mono.wav")));
  QVERIFY(!mono.Launcher("echoBtn")->isEnabled());
  Type(mono, "toFileEdit", qttesting::Q(dir.File("fresh.wav")));
  QVERIFY(mono.Launcher("echoBtn")->isEnabled());
  QVERIFY(!Child<QPushButton>(mono, "swapBtn")->isEnabled());
  QCOMPARE(answers.Texts(), QStringList{"Can't overwrite source file!"});
}

void EditorTest::selectionEditsUnitsAndLaunchValues() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {22050, 16, 2}, 22050);
  Answers answers;
  wave::TWAVeditDlg editor(nullptr, qttesting::Q(dir.File("in.wav")), qttesting::Q(dir.File("out.wav")));
  editor.show();
  Type(editor, "startTimeEdit", "250.004");
  QCOMPARE(Text(editor, "startTimeEdit"), QString("250.00"));
  Type(editor, "endTimeEdit", "100");  // before the start
  Type(editor, "startTimeEdit", "x");
  QCOMPARE(answers.Texts(), (QStringList{"Illegal End time!", "Illegal Start time!"}));
  QCOMPARE(Text(editor, "endTimeEdit"), QString("1000.00"));
  QCOMPARE(Text(editor, "startTimeEdit"), QString("250.00"));
  Child<QRadioButton>(editor, "sampleButton")->click();
  QCOMPARE(Text(editor, "startTimeEdit"), QString("5513"));  // 250 ms × 22.05, shown whole
  QCOMPARE(Text(editor, "endTimeEdit"), QString("22050"));
  Child<QRadioButton>(editor, "rightBtn")->click();
  // What each launcher hands over: the selection in frames as the commands convert it, the
  // channel, and its caption.
  struct Launched {
    QString caption;
    LaunchValues launch;
  } got;
  editor.showDialog = [&](QDialog& d) {
    got.caption = d.windowTitle();
    if (auto* r = qobject_cast<wave::TRangeDlg*>(&d)) got.launch = r->Launch();
    if (auto* e = qobject_cast<effectdialogs::TEffectDlg*>(&d)) got.launch = e->Launch();
  };
  const std::pair<const char*, const char*> launchers[] = {
      {"compressBtn", "Compress dynamic range"}, {"enhanceBtn", "Expand dynamic range"},
      {"lowPassBtn", "Low pass filter"},         {"highPassBtn", "High pass filter"},
      {"bandPassBtn", "Band pass filter"},       {"notchBtn", "Notch filter"},
      {"echoBtn", "Echo"},                       {"vocoderBtn", "Vocoder"},
      {"gateBtn", "Gate"},                       {"mixBtn", "WAV Mix"}};
  for (const auto& [button, caption] : launchers) {
    got = {};
    editor.Launcher(button)->click();
    QCOMPARE(got.caption, QString(caption));
    if (QString(button) == "mixBtn") continue;
    QCOMPARE(FramesOf(got.launch.start, got.launch), 5513);
    QCOMPARE(FramesOf(got.launch.end, got.launch), 22049);  // the last frame, not one past it
    QVERIFY(got.launch.rightOnly && !got.launch.leftOnly);
    QCOMPARE(got.launch.rate, 22050);
    QCOMPARE(got.launch.bits, 16);
  }
  // Every row of the table of effects found its button on the form: none was added.
  QCOMPARE(Child<QGroupBox>(editor, "launcherGroup")->findChildren<QPushButton*>().size(), qsizetype(20));
  QCOMPARE(answers.Texts().size(), qsizetype(2));
}

void EditorTest::editorOperationsAndSwap() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {22050, 16, 2}, 30000);
  Answers answers({Answer::Cancel, Answer::Ok, Answer::Ok});
  wave::TWAVeditDlg editor(nullptr, qttesting::Q(dir.File("in.wav")), qttesting::Q(dir.File("out.wav")));
  editor.show();
  Child<QRadioButton>(editor, "leftBtn")->click();
  Type(editor, "startTimeEdit", "100");
  Type(editor, "endTimeEdit", "900");
  const LaunchValues launch = editor.CurrentLaunch();
  const std::pair<const char*, RangeResult (*)(const RangeRequest&, Progress&)> operations[] = {
      {"cutBtn", CutRange}, {"maximizeBtn", MaximizeRange}, {"reverseBtn", ReverseRange}};
  for (const auto& [button, operation] : operations) {
    editor.Launcher(button)->click();
    QVERIFY(editor.Outcome() && editor.Outcome()->end == ops::JobOutcome::End::Done);
    Progress progress;
    operation(tonemill::RangeOf(launch, dir.File("direct.wav")), progress);
    QVERIFY2(Bytes(dir.File("out.wav")) == Bytes(dir.File("direct.wav")), button);
    QVERIFY(Child<QPushButton>(editor, "swapBtn")->isEnabled());
    if (QString(button) == "cutBtn") {
      // The output exists now: the next one asks, and Cancel leaves it as it is.
      const auto before = Bytes(dir.File("out.wav"));
      editor.Launcher("maximizeBtn")->click();
      QVERIFY(Bytes(dir.File("out.wav")) == before);
    }
  }
  QCOMPARE(answers.Texts().size(), qsizetype(3));
  // Swap makes the result the input and goes on from there.
  editor.swapBtnClick();
  QCOMPARE(Text(editor, "fromFileEdit"), qttesting::Q(dir.File("out.wav")));
  QCOMPARE(Text(editor, "toFileEdit"), qttesting::Q(dir.File("in.wav")));
  QVERIFY(editor.InputValid());
  QCOMPARE(Text(editor, "startTimeEdit"), QString("0.00"));
  // The original input is the To file now: its question has Cancel as the default button
  // (the earlier ones, about the new output, OK).
  const auto original = Bytes(dir.File("in.wav"));
  editor.Launcher("cutBtn")->click();
  QVERIFY(Bytes(dir.File("in.wav")) == original);
  const std::vector<platform::Message>& asked = answers.messages.Shown();
  QCOMPARE(asked.size(), size_t(4));
  QCOMPARE(asked.back().text, "File " + dir.File("in.wav") + " will be overwritten!");
  QVERIFY(asked.back().safeDefault && !asked.front().safeDefault);
  // Cancel during the editor's own operation: a valid output of what was done.
  Answers more({Answer::Ok});
  editor.swapBtnClick();
  QTimer::singleShot(0, &editor, [&] {
    QVERIFY(!editor.Launcher("fadeBtn")->isEnabled());
    QVERIFY(!Child<QLineEdit>(editor, "startTimeEdit")->isEnabled());
    editor.CancelBtnClick();
  });
  editor.reverseBtnClick();
  QCOMPARE(int(editor.Outcome()->end), int(ops::JobOutcome::End::Cancelled));
  QVERIFY(testing_support::ReadWav(dir.File("out.wav")).samples.size() < 60000);
  QVERIFY(editor.isVisible());
  QVERIFY(editor.Launcher("fadeBtn")->isEnabled());
}

void EditorTest::viewerMarkingImportAndClosing() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {11025, 16, 1}, 11025);
  WriteSignal(dir.File("other.wav"), {11025, 16, 1}, 5000);
  Answers answers;
  wave::TWAVeditDlg editor(nullptr, qttesting::Q(dir.File("in.wav")), qttesting::Q(dir.File("other.wav")));
  editor.show();
  editor.viewButtonClick();
  wave::TWAViewDlg* viewer = editor.Viewer();
  QVERIFY(viewer);
  QCOMPARE(Child<QPushButton>(editor, "viewButton")->text(), QString("Import"));
  viewer->resize(600, 400);
  viewer->redraw();
  QWidget* curves = Child<QWidget>(*viewer, "curves");
  const int w = curves->width();
  editor.viewButtonClick();  // Import with nothing marked
  QCOMPARE(answers.Texts(), QStringList{"Nothing is marked in WAView!"});
  // A range marked with the mouse: its positions into the editor's unit.
  viewer->curvesMouseMove(w / 4, 10);
  viewer->curvesClick(w / 4, 10);
  QVERIFY(Child<QPushButton>(*viewer, "endButton")->isEnabled());
  viewer->curvesMouseMove(w / 2, 10);
  QCOMPARE(curves->cursor().shape(), Qt::SizeHorCursor);
  viewer->curvesClick(w / 2, 10);
  QVERIFY(Child<QPushButton>(*viewer, "playSelectedBtn")->isEnabled());
  const int64_t first = viewer->View().MarkStart(), last = viewer->View().MarkEnd();
  QCOMPARE(first, viewer->View().FrameAt(w / 4, w));
  editor.viewButtonClick();
  QCOMPARE(Text(editor, "startTimeEdit"), QString::fromStdString(SelectionText(first / 11.025, true)));
  QCOMPARE(Text(editor, "endTimeEdit"), QString::fromStdString(SelectionText(last / 11.025, true)));
  // In samples on both sides the import is exact.
  Child<QRadioButton>(editor, "sampleButton")->click();
  Child<QRadioButton>(*viewer, "sampleButton")->click();
  QCOMPARE(Text(*viewer, "startEdit"), QString::number(first));
  editor.viewButtonClick();
  QCOMPARE(Text(editor, "startTimeEdit"), QString::number(first));
  QCOMPARE(Text(editor, "endTimeEdit"), QString::number(last));
  // An end typed before the start.
  Type(*viewer, "endEdit", "10");
  editor.viewButtonClick();
  QCOMPARE(answers.Texts().last(), QString("Invalid WAView range!"));
  QCOMPARE(Text(editor, "endTimeEdit"), QString::number(last));
  // Zoom shows the marked range; bad zooms are refused.
  viewer->curvesClick(0, 0);  // removes the mark
  viewer->curvesClick(w / 10, 0);
  viewer->curvesClick(w / 5, 0);
  const int64_t markStart = viewer->View().MarkStart();
  viewer->zoomButtonClick();
  QCOMPARE(viewer->View().First(), markStart);
  Type(*viewer, "zoomHedit", "0.5");
  Type(*viewer, "zoomVedit", "200");
  QCOMPARE(answers.Texts().mid(2), (QStringList{"Illegal horizontal zoom!", "Illegal vertical zoom!"}));
  // Press, drag to the left, release: the range between is marked at once, and the viewer's
  // own Import hands it over. A click without a drag keeps click, move, click.
  viewer->doReset();
  viewer->redraw();
  QTest::mousePress(curves, Qt::LeftButton, {}, {3 * w / 4, 20});
  QTest::mouseMove(curves, {w / 2, 20});
  QTest::mouseMove(curves, {w / 4, 20});
  QTest::mouseRelease(curves, Qt::LeftButton, {}, {w / 4, 20});
  QCOMPARE(int(viewer->View().Marking()), int(tonemill::WaveView::Mark::Marked));
  QCOMPARE(viewer->View().MarkStart(), viewer->View().FrameAt(w / 4, w));
  QCOMPARE(viewer->View().MarkEnd(), viewer->View().FrameAt(3 * w / 4, w));
  QVERIFY(qttesting::Enabled(*viewer, "playSelectedBtn") && qttesting::Enabled(*viewer, "zoomButton"));
  Child<QPushButton>(*viewer, "importBtn")->click();
  QCOMPARE(Text(editor, "startTimeEdit"), QString::number(viewer->View().MarkStart()));
  QTest::mouseClick(curves, Qt::LeftButton, {}, {w / 2, 20});
  QCOMPARE(int(viewer->View().Marking()), int(tonemill::WaveView::Mark::None));
  QTest::mouseClick(curves, Qt::LeftButton, {}, {w / 2, 20});
  QCOMPARE(int(viewer->View().Marking()), int(tonemill::WaveView::Mark::Started));
  // Swap with the viewer open reloads it; a launcher closes it and the button reads View.
  editor.swapBtnClick();
  QVERIFY(editor.Viewer());
  QCOMPARE(editor.Viewer()->FileName(), qttesting::Q(dir.File("other.wav")));
  editor.showDialog = [](QDialog&) {};
  editor.Launcher("fadeBtn")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(!editor.Viewer());
  QCOMPARE(Child<QPushButton>(editor, "viewButton")->text(), QString("View"));
  // The viewer's OK does the same, and carries a marked range back as Import does.
  editor.viewButtonClick();
  editor.Viewer()->redraw();
  editor.Viewer()->curvesClick(w / 10, 0);
  editor.Viewer()->curvesClick(w / 5, 0);
  const QString marked = QString::number(editor.Viewer()->View().MarkStart());
  Child<QPushButton>(*editor.Viewer(), "OKBtn")->click();
  QCOMPARE(Text(editor, "startTimeEdit"), marked);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(!editor.Viewer());
  QCOMPARE(Child<QPushButton>(editor, "viewButton")->text(), QString("View"));
  // An editor that goes with its viewer open takes the viewer along.
  auto other = std::make_unique<wave::TWAVeditDlg>(nullptr, qttesting::Q(dir.File("in.wav")),
                                                   qttesting::Q(dir.File("x.wav")));
  other->show();
  other->viewButtonClick();
  QPointer<wave::TWAViewDlg> open = other->Viewer();
  QVERIFY(open);
  other.reset();
  QVERIFY(!open);
}

void EditorTest::viewerPlaysExactFramesAndStops() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("in.wav"), {22050, 16, 2}, 3000);
  const std::vector<uint8_t> file = Bytes(dir.File("in.wav"));
  FakeSound sound;
  Answers answers;
  wave::TWAViewDlg viewer(nullptr, false);
  viewer.setAttribute(Qt::WA_DeleteOnClose, false);
  QVERIFY(viewer.loadFile(qttesting::Q(dir.File("in.wav"))));
  viewer.show();
  Type(viewer, "startEdit", "1000");
  Type(viewer, "endEdit", "1999");
  QPushButton* selected = Child<QPushButton>(viewer, "playSelectedBtn");
  selected->click();
  QCOMPARE(selected->text(), QString("Stop"));
  QVERIFY(!Child<QPushButton>(viewer, "playAllBtn")->isEnabled());
  QVERIFY(!Child<QLineEdit>(viewer, "zoomHedit")->isEnabled());
  viewer.curvesClick(5, 5);  // clicks are ignored while playing
  QCOMPARE(viewer.View().Marking(), WaveView::Mark::Marked);
  QCOMPARE(sound.last->Advance(5000), qint64(1000));
  QCOMPARE(selected->text(), QString("Play selected"));
  QVERIFY(Child<QPushButton>(viewer, "playAllBtn")->isEnabled());
  const QByteArray played = sound.last->Bytes();
  QCOMPARE(played, QByteArray(reinterpret_cast<const char*>(file.data()) + 44 + 1000 * 4, 1000 * 4));
  // A click on the ruler plays from the frame under it to the end of the shown window.
  QWidget* ruler = Child<QWidget>(viewer, "ruler");
  const int width = Child<QWidget>(viewer, "curves")->width();
  QTest::mouseClick(ruler, Qt::LeftButton, {}, {width / 2, 5});
  const int64_t from = viewer.View().FrameAt(width / 2, width);
  QCOMPARE(Child<QPushButton>(viewer, "playShownBtn")->text(), QString("Stop"));
  QCOMPARE(sound.last->Advance(5000), viewer.View().Last() + 1 - from);
  QCOMPARE(sound.last->Bytes().left(16),
           QByteArray(reinterpret_cast<const char*>(file.data()) + 44 + from * 4, 16));
  // Stop while playing the shown part; a device that refuses: a message, the controls back.
  Child<QPushButton>(viewer, "playShownBtn")->click();
  Child<QPushButton>(viewer, "playShownBtn")->click();
  QCOMPARE(Child<QPushButton>(viewer, "playShownBtn")->text(), QString("Play shown"));
  {
    FakeSound refusing("No sound device");
    Child<QPushButton>(viewer, "playAllBtn")->click();
    QCOMPARE(answers.Texts(), QStringList{"No sound device"});
    QCOMPARE(Child<QPushButton>(viewer, "playAllBtn")->text(), QString("Play all"));
    QVERIFY(Child<QPushButton>(viewer, "playShownBtn")->isEnabled());
  }
  // Stereo in two lanes: the left channel (red) above the right one (blue), the readout per lane.
  auto* curves = static_cast<wave::TWaveCurves*>(Child<QWidget>(viewer, "curves"));
  viewer.redraw();
  const QImage image = curves->Curves();
  int misplaced = 0, drawn = 0;
  for (int x = 0; x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y) {
      const QColor c = image.pixelColor(x, y);
      if (c == QColor(Qt::red) || c == QColor(Qt::blue)) ++drawn;
      if ((c == QColor(Qt::red) && y >= curves->LaneTop(1)) || (c == QColor(Qt::blue) && y < curves->LaneTop(1)))
        ++misplaced;
    }
  QVERIFY(drawn > 100);
  QCOMPARE(misplaced, 0);
  QCOMPARE(curves->ValueAt(curves->LaneTop(1)), curves->ValueAt(0));
}

void EditorTest::viewerSummaryStopsAndGoesOn() {
  testing_support::TempDir dir;
  WriteSignal(dir.File("long.wav"), {44100, 16, 2}, 2000000);
  wave::TWAViewDlg viewer(nullptr, true);
  viewer.setAttribute(Qt::WA_DeleteOnClose, false);
  viewer.resize(800, 400);
  viewer.show();
  // "Stop" at the first pump of the build: the summary stays partial, Reset reads Reset again.
  QPushButton* reset = Child<QPushButton>(viewer, "ResetBtn");
  QString duringBuild;
  QTimer::singleShot(0, &viewer, [&] {
    duringBuild = reset->text();
    reset->click();
  });
  QVERIFY(viewer.loadFile(qttesting::Q(dir.File("long.wav"))));
  QCOMPARE(duringBuild, QString("Stop"));
  QCOMPARE(reset->text(), QString("Reset"));
  QVERIFY(!viewer.Summary()->Complete());
  // The next drawing goes on from there; zooming in is drawn from the file itself.
  viewer.redraw();
  QVERIFY(viewer.Summary()->Complete());
  Type(viewer, "zoomHedit", "4000");
  QCOMPARE(viewer.View().ShownFrames(), 500);
  const QImage curves = static_cast<wave::TWaveCurves*>(Child<QWidget>(viewer, "curves"))->Curves();
  int red = 0;
  for (int x = 0; x < curves.width(); ++x)
    for (int y = 0; y < curves.height(); ++y) red += curves.pixelColor(x, y) == QColor(Qt::red);
  QVERIFY(red > 100);
}

// On a 1280 x 720 screen (logical pixels, whatever the scale): both windows' minimum sizes fit,
// the fields show the longest value of a long file whole, and the viewer keeps its size when
// the cursor's readout fills in.
void EditorTest::editorAndViewerFitAndKeepTheirSize() {
  testing_support::TempDir dir;
  const int64_t frames = 3000000;
  testing_support::WriteWav(dir.File("long.wav"), {44100, 8, 1}, std::vector<int32_t>(size_t(frames), 128));
  Answers answers;
  wave::TWAVeditDlg editor(nullptr, qttesting::Q(dir.File("long.wav")), qttesting::Q(dir.File("out.wav")));
  editor.show();
  editor.viewButtonClick();
  wave::TWAViewDlg* viewer = editor.Viewer();
  QVERIFY(viewer);
  for (QWidget* window : {static_cast<QWidget*>(&editor), static_cast<QWidget*>(viewer)}) {
    window->resize(window->minimumSizeHint());
    QVERIFY2(window->minimumSizeHint().width() <= 1280 && window->minimumSizeHint().height() <= 680,
             qPrintable(window->objectName()));
  }
  QCoreApplication::processEvents();
  auto fits = [](QWidget& dialog, const char* name, const QString& text) {
    auto* edit = Child<QLineEdit>(dialog, name);
    return edit->contentsRect().width() >= edit->fontMetrics().horizontalAdvance(text);
  };
  Child<QRadioButton>(editor, "sampleButton")->click();
  QVERIFY(fits(editor, "endTimeEdit", Text(editor, "endTimeEdit")));
  Child<QRadioButton>(*viewer, "sampleButton")->click();
  const QSize before = viewer->size();
  const int w = Child<QWidget>(*viewer, "curves")->width();
  viewer->curvesMouseMove(w - 1, 0);
  QCoreApplication::processEvents();
  QVERIFY(fits(*viewer, "startEdit", Text(*viewer, "startEdit")));
  QCOMPARE(viewer->size(), before);
  // Made larger, the viewer gives the height to its waveform; the editor, which has nothing
  // to grow, stays as tall as it was and keeps its fields beside their labels.
  const int curvesBefore = Child<QWidget>(*viewer, "curves")->height();
  viewer->resize(1200, viewer->height() + 300);
  QCoreApplication::processEvents();
  QVERIFY(Child<QWidget>(*viewer, "curves")->height() >= curvesBefore + 290);
  const int editorHeight = editor.height();
  editor.resize(1200, editorHeight + 300);
  QCoreApplication::processEvents();
  QCOMPARE(editor.height(), editorHeight);
  const QRect label = Child<QLabel>(editor, "startLabel")->geometry();
  QVERIFY(Child<QLineEdit>(editor, "startTimeEdit")->geometry().left() - label.right() < 40);
  // Every dialog the editor opens fits as well.
  const LaunchValues launch = editor.CurrentLaunch();
  std::vector<std::unique_ptr<QDialog>> dialogs;
  dialogs.push_back(std::make_unique<wave::TWAVmixDlg>(nullptr, launch));
  for (const EffectEntry& e : Effects())
    if (e.family == EffectFamily::Range && !e.runByEditor)
      dialogs.push_back(std::make_unique<wave::TRangeDlg>(nullptr, e, launch));
  for (const auto& d : dialogs)
    QVERIFY2(d->minimumSizeHint().width() <= 1280 && d->minimumSizeHint().height() <= 680,
             qPrintable(d->windowTitle()));
  QVERIFY(answers.Texts().isEmpty());
}

void EditorTest::wideAndOtherContainerInputs() {
  // 24-bit at 48 kHz, floats, and FLAC: the editor's operations run on them, the output keeps
  // the input's width, Swap goes on from it, and the viewer draws them at their own full scale.
  testing_support::TempDir dir;
  const int64_t frames = 9600;
  std::vector<int32_t> loud;
  for (int64_t i = 0; i < frames; ++i)
    for (int c = 0; c < 2; ++c) loud.push_back(int32_t(std::lround(0.9 * INT32_MAX * std::sin(0.01 * double(i) + c))));
  WriteFloatWav(dir.File("float.wav"), 44100, loud);
  WriteSound(dir.File("wide.wav"), Container::Wav, {48000, 24, 2}, frames);
  WriteSound(dir.File("in.flac"), Container::Flac, {96000, 24, 2}, frames);
  const struct {
    const char* input;
    int32_t rate, bits;
    bool isFloat;
  } cases[] = {{"wide.wav", 48000, 24, false}, {"float.wav", 44100, 32, true}, {"in.flac", 96000, 24, false}};
  for (const auto& c : cases) {
    Answers answers;
    const std::string output = dir.File(std::string("out-") + c.input + ".wav");
    wave::TWAVeditDlg editor(nullptr, qttesting::Q(dir.File(c.input)), qttesting::Q(output));
    editor.show();
    QCOMPARE(answers.Texts(), QStringList());
    QVERIFY2(editor.InputValid() && editor.Launcher("fadeBtn")->isEnabled(), c.input);
    const LaunchValues launch = editor.CurrentLaunch();
    QCOMPARE(launch.rate, c.rate);
    QCOMPARE(launch.totalFrames, frames);
    editor.Launcher("reverseBtn")->click();
    QVERIFY2(editor.Outcome() && editor.Outcome()->end == ops::JobOutcome::End::Done, c.input);
    const TWAVheader result(output);
    const std::optional<WaveEncoding> encoding = EngineEncoding(result);
    QVERIFY(encoding);
    QCOMPARE(encoding->format, (AudioFormat{c.rate, c.bits, 2}));
    QCOMPARE(encoding->isFloat, c.isFloat);
    QVERIFY(Child<QPushButton>(editor, "swapBtn")->isEnabled());

    editor.viewButtonClick();
    QPointer<wave::TWAViewDlg> viewer = editor.Viewer();
    QVERIFY2(viewer, c.input);
    QCOMPARE(viewer->FileName().toStdString(), launch.input);
    QCOMPARE(viewer->View().Frames(), frames);
    std::vector<SampleExtent> columns[2];
    viewer->Summary()->Columns(0, frames, 10, columns);
    QVERIFY(columns[0][0].max > 29000 && columns[1][0].min < -29000);
    // The cursor at the top reads full scale in the file's own terms.
    viewer->curvesMouseMove(5, 0);
    const double top = Text(*viewer, "valueEdit").toDouble(), full = c.isFloat ? 1 : std::ldexp(1.0, c.bits - 1);
    QVERIFY2(top > 0.95 * full && top <= full, qPrintable(Text(*viewer, "valueEdit")));
    QCOMPARE(answers.Texts(), QStringList());
    // The mixer decodes its sources itself: it starts on the input under its own name.
    QString firstSource;
    editor.showDialog = [&](QDialog& d) {
      d.show();
      firstSource = Child<QTableWidget>(d, "StringGrid1")->item(0, 0)->text();
    };
    editor.Launcher("mixBtn")->click();
    QCOMPARE(firstSource, qttesting::Q(dir.File(c.input)));
  }
  // A file no decoder reads, named as FLAC, says why.
  testing_support::WriteText(dir.File("bad.flac"), "not sound");
  Answers answers;
  wave::TWAVeditDlg editor(nullptr, qttesting::Q(dir.File("bad.flac")), qttesting::Q(dir.File("o.wav")));
  editor.show();
  QVERIFY(!editor.InputValid());
  QCOMPARE(answers.Texts().size(), qsizetype(1));
  QVERIFY(answers.Texts()[0].startsWith(qttesting::Q(dir.File("bad.flac")) + ": unsupported encoding"));
}

void EditorTest::keepChunksAndTags() {
  // A canonical WAV file's other chunks go into an operation's output only with "Keep chunks and
  // tags" checked, through a range dialog, a library effect's dialog and the editor's own
  // operations alike; a FLAC file's tags go into a FLAC output with the box off.
  testing_support::TempDir dir;
  // A stereo signal of 4410 frames with `chunk` after its data.
  auto writeWithChunk = [&](const std::string& path, const std::vector<uint8_t>& chunk) {
    WriteSignal(path, {22050, 16, 2}, 4410);
    std::vector<uint8_t> bytes = Bytes(path);
    bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    const uint32_t riff = uint32_t(bytes.size() - 8);
    std::memcpy(bytes.data() + 4, &riff, 4);
    testing_support::WriteBytes(path, bytes);
  };
  const std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 14, 0, 0, 0, 'I', 'N', 'F', 'O',
                                     'I', 'N', 'A', 'M', 2,  0, 0, 0, 'T', 0};
  writeWithChunk(dir.File("in.wav"), list);
  const AudioTags tags{{TitleTag(), "Night Piece"}, {ArtistTag(), "The Players"}};
  std::string error;
  SoundFile flac = SoundFile::OpenWrite(dir.File("in.flac"), Container::Flac, {44100, 16, 2}, error);
  flac.SetTags(tags);
  const std::vector<int32_t> level(2 * 4410, 1 << 28);
  QVERIFY(flac.Write(level.data(), 4410) && flac.Close(error));

  const struct {
    const char *input, *output, *launcher;
    bool box, kept;
  } cases[] = {{"in.wav", "out.wav", "fadeBtn", false, false},   {"in.wav", "out.wav", "fadeBtn", true, true},
               {"in.wav", "out.wav", "echoBtn", false, false},   {"in.wav", "out.wav", "echoBtn", true, true},
               {"in.wav", "out.wav", "reverseBtn", true, true},  {"in.flac", "out.flac", "echoBtn", false, true},
               {"in.flac", "out.flac", "reverseBtn", false, true}};
  for (const auto& c : cases) {
    const std::string output = dir.File(c.output);
    std::filesystem::remove(output);
    Answers answers;
    wave::TWAVeditDlg editor(nullptr, qttesting::Q(dir.File(c.input)), qttesting::Q(output));
    editor.showDialog = [](QDialog& d) {
      d.show();
      Child<QPushButton>(d, "OKBtn")->click();
    };
    editor.show();
    QCheckBox* box = Child<QCheckBox>(editor, "keepChunksBox");
    QCOMPARE(box->text(), QString("Keep chunks and tags"));
    QVERIFY(!box->isChecked());
    box->setChecked(c.box);
    editor.Launcher(c.launcher)->click();
    QCOMPARE(answers.Texts(), QStringList());
    const std::string row = std::string(c.input) + " " + c.launcher + (c.box ? " checked" : "");
    if (std::string(c.output) == "out.flac") {
      QVERIFY2(ReadAudioTags(output) == (c.kept ? tags : AudioTags{}), row.c_str());
      continue;
    }
    const std::vector<uint8_t> got = Bytes(output);
    QVERIFY2(got.size() > 44, row.c_str());
    const bool kept = std::equal(list.begin(), list.end(), got.end() - long(list.size()));
    QVERIFY2(kept == c.kept, row.c_str());
    uint32_t length = 0;
    std::memcpy(&length, got.data() + 4, 4);
    QCOMPARE(length, uint32_t(got.size() - 8));
  }

  // A kept cue point follows the editor's own operations: reversed, frame 3000 of 4410 is 1409.
  const uint32_t at = 3000;
  std::vector<uint8_t> cue = {'c', 'u', 'e', ' ', 28, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  for (const uint32_t field : {at, uint32_t('d' | 'a' << 8 | 't' << 16 | 'a' << 24), 0u, 0u, at})
    for (int b = 0; b < 4; ++b) cue.push_back(uint8_t(field >> (8 * b)));
  writeWithChunk(dir.File("cue.wav"), cue);
  Answers answers;
  wave::TWAVeditDlg editor(nullptr, qttesting::Q(dir.File("cue.wav")), qttesting::Q(dir.File("cued.wav")));
  editor.show();
  Child<QCheckBox>(editor, "keepChunksBox")->setChecked(true);
  editor.Launcher("reverseBtn")->click();
  QCOMPARE(answers.Texts(), QStringList());
  const std::vector<uint8_t> got = Bytes(dir.File("cued.wav"));
  QVERIFY(got.size() >= cue.size());
  uint32_t position = 0, offset = 0;
  std::memcpy(&position, got.data() + got.size() - 20, 4);
  std::memcpy(&offset, got.data() + got.size() - 4, 4);
  QCOMPARE(position, 1409u);
  QCOMPARE(offset, 1409u);
}
