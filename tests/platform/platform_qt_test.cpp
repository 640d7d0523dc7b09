// The desktop side of the platform services: message boxes and their answers, the hourglass,
// text printing, the fake sound device and the shell's text editor.
#include "platform/qt/audiooutput.h"
#include "platform/qt/cursor.h"
#include "platform/qt/messagebox.h"
#include "platform/qt/printing.h"
#include "platform/qt/shell.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <stdexcept>

using platform::Answer;
using platform::Buttons;

class PlatformQtTest : public QObject {
  Q_OBJECT
 private slots:
  void messageBoxesGiveTheAnswerOfTheButton();
  void detailLinesAreNotBrokenUp();
  void hourglassIsRestoredOnEveryPath();
  void printableLines();
  void printsToPdf();
  void fakeOutputPlaysWhatItIsGiven();
  void textEditorSetting();
  void runProgramRefusesWhatItCannotStart();
};

namespace {

// Clicks the button with `text` of the message box that is about to be shown, and notes
// which buttons it had.
void ClickWhenShown(const QString& text, QStringList& buttons, QString& title) {
  QTimer::singleShot(0, [text, &buttons, &title] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) qFatal("no message box");
    title = box->windowTitle();
    for (QAbstractButton* b : box->buttons()) buttons << b->text().remove('&');
    for (QAbstractButton* b : box->buttons())
      if (b->text().remove('&') == text) return b->click();
    box->reject();  // Esc
  });
}

}  // namespace

void PlatformQtTest::messageBoxesGiveTheAnswerOfTheButton() {
  platform::MessageBoxSink sink("Tonemill for Windows 95/NT");
  struct Case {
    Buttons buttons;
    QString click;
    Answer answer;
    int count;
  };
  const Case cases[] = {
      {Buttons::Ok, "OK", Answer::Ok, 1},
      {Buttons::OkCancel, "Cancel", Answer::Cancel, 2},
      {Buttons::OkCancel, "OK", Answer::Ok, 2},
      {Buttons::YesNo, "Yes", Answer::Yes, 2},
      {Buttons::YesNo, "(Esc)", Answer::No, 2},
      {Buttons::YesNoAbortAll, "All", Answer::All, 4},
      {Buttons::YesNoAbortAll, "Abort", Answer::Abort, 4},
      {Buttons::YesNoAbortAll, "(Esc)", Answer::Abort, 4},
      {Buttons::OkAbort, "Abort", Answer::Abort, 2},
  };
  for (const Case& c : cases) {
    QStringList shown;
    QString title;
    ClickWhenShown(c.click, shown, title);
    const Answer answer = sink.Show({platform::MessageKind::Warning, c.buttons,
                                     platform::Topic::Notice, "Question?"});
    QCOMPARE(int(answer), int(c.answer));
    QCOMPARE(shown.size(), c.count);
    QCOMPARE(title, QString("Tonemill for Windows 95/NT"));
  }
}

void PlatformQtTest::detailLinesAreNotBrokenUp() {
  // A short main text over a path: the path keeps its line.
  const QString path = "Premature end of WAV file /home/someone/Music/Takes/bogus.wav";
  int room = 0, needed = 0;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) qFatal("no message box");
    auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel");
    if (!label) qFatal("no detail");
    room = label->contentsRect().width();
    needed = label->fontMetrics().horizontalAdvance(path);
    box->reject();
  });
  platform::MessageBoxSink("t").Show({platform::MessageKind::Error, Buttons::Ok,
                                      platform::Topic::Notice, "Error reading file!",
                                      path.toStdString()});
  QVERIFY2(room >= needed, qPrintable(QString("%1 < %2").arg(room).arg(needed)));
}

void PlatformQtTest::hourglassIsRestoredOnEveryPath() {
  QVERIFY(!QApplication::overrideCursor());
  try {
    platform::HourglassCursor hourglass;
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // A question during the work shows the arrow, then the hourglass again.
    QStringList buttons;
    QString title;
    Qt::CursorShape during = Qt::WaitCursor;
    QTimer::singleShot(0, [&] { during = QApplication::overrideCursor()->shape(); });
    ClickWhenShown("OK", buttons, title);
    platform::MessageBoxSink("t").Show({});
    QCOMPARE(during, Qt::ArrowCursor);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    throw std::runtime_error("failed work");
  } catch (const std::runtime_error&) {
  }
  QVERIFY(!QApplication::overrideCursor());
}

void PlatformQtTest::printableLines() {
  QCOMPARE(platform::PrintableLines("a\tb\r\nlonger\ttab\n\n", 80),
           (QStringList{"a       b", "longer  tab", ""}));
  QCOMPARE(platform::PrintableLines("abcdefghij", 4), (QStringList{"abcd", "efgh", "ij"}));
  QCOMPARE(platform::PrintableLines("\xc3\xa9t\xc3\xa9", 80), QStringList{QString::fromUtf8("été")});
  QCOMPARE(platform::PrintableLines("caf\xe9", 80), QStringList{QString::fromUtf8("café")});  // Latin-1
  QCOMPARE(platform::PrintableLines("", 80), QStringList{});
}

void PlatformQtTest::printsToPdf() {
  QTemporaryDir dir;
  const QString text = dir.filePath("notes.lst"), pdf = dir.filePath("notes.pdf");
  QFile f(text);
  QVERIFY(f.open(QIODevice::WriteOnly));
  for (int i = 0; i < 200; ++i) f.write(QByteArray("line ") + QByteArray::number(i) + "\tvalue\r\n");
  f.close();
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  QString error;
  QVERIFY2(platform::PrintTextFile(text, printer, error), qPrintable(error));
  QFile out(pdf);
  QVERIFY(out.open(QIODevice::ReadOnly));
  const QByteArray bytes = out.readAll();
  QVERIFY(bytes.startsWith("%PDF"));
  QVERIFY(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page ") >= 3);
  QVERIFY(!platform::PrintTextFile(dir.filePath("missing.txt"), printer, error));
  QCOMPARE(error, "Cannot open file " + dir.filePath("missing.txt"));
}

void PlatformQtTest::fakeOutputPlaysWhatItIsGiven() {
  QByteArray pcm;
  for (int i = 0; i < 400; ++i) pcm.append(char(i));
  QBuffer source(&pcm);
  source.open(QIODevice::ReadOnly);
  platform::FakeAudioOutput out;
  QSignalSpy drained(&out, &platform::AudioOutput::Drained);
  QVERIFY(out.Start({8000, 16, 2}, &source));  // 4 bytes a frame: 100 frames
  QCOMPARE(out.Advance(30), qint64(30));
  out.Suspend();
  QCOMPARE(out.Advance(30), qint64(0));
  out.Resume();
  QCOMPARE(out.Advance(100), qint64(70));
  QCOMPARE(out.PlayedFrames(), qint64(100));
  QCOMPARE(out.Bytes(), pcm);
  QCOMPARE(drained.count(), 1);
  platform::FakeAudioOutput refusing;
  refusing.RefuseStart("No sound device");
  QVERIFY(!refusing.Start({8000, 8, 1}, &source));
  QCOMPARE(refusing.ErrorText(), QString("No sound device"));
}

void PlatformQtTest::textEditorSetting() {
  // The Windows editor's name and an empty entry mean the desktop's editor; anything else is
  // the program it names.
  QCOMPARE(platform::TextEditorCommand("notepad.exe"), platform::DefaultTextEditor());
  QCOMPARE(platform::TextEditorCommand("  "), platform::DefaultTextEditor());
  QCOMPARE(platform::TextEditorCommand("/usr/bin/my editor"), QStringList{"/usr/bin/my editor"});
}

void PlatformQtTest::runProgramRefusesWhatItCannotStart() {
  QTemporaryDir dir;
  QString error;
  QVERIFY(!platform::RunProgram(dir.filePath("nothing"), {}, dir.path(), error));
  QCOMPARE(error, "Can't start " + dir.filePath("nothing") + ": no such program");
  QVERIFY(!platform::RunProgram(dir.path(), {}, dir.path(), error));
  QVERIFY(error.endsWith("not an executable program"));
  QVERIFY(!platform::RunProgram("/bin/true", {QString(platform::kMaxArgumentBytes + 1, 'x')},
                                dir.path(), error));
  QCOMPARE(error, QString("Parameter too long for /bin/true"));
  QVERIFY2(platform::RunProgram("/bin/true", {QString(1000, 'x')}, dir.path(), error),
           qPrintable(error));
}

QTEST_MAIN(PlatformQtTest)
#include "platform_qt_test.moc"
