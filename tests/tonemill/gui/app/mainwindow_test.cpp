// The main window driven through its handlers: first start, the enabling table, directories
// that are missing, the filter, places, deleting and the settings written back.
#include "mainwindow_test.h"

#include "qttesting.h"
#include "tonemill/gui/widgets/ExtFileListBox.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/ops/mainrules.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>

using namespace qttesting;
using tonemill::Selector;
using tonemill::app::TTMmain;
using platform::Answer;

namespace {

TExtFileListBox* List(TTMmain& w) { return w.findChild<TExtFileListBox*>("FileListBox"); }
QPushButton* Button(TTMmain& w, const char* name) { return w.findChild<QPushButton*>(name); }

// The enabled operation buttons as letters: Play Scan Edit conVert pRint Copy Move Delete.
QString Letters(const tonemill::Operations& o) {
  QString s;
  const std::pair<bool, char> buttons[] = {{o.Play, 'P'},    {o.Scan, 'S'},  {o.Edit, 'E'},
                                           {o.Convert, 'V'}, {o.Print, 'R'}, {o.Copy, 'C'},
                                           {o.Move, 'M'},    {o.Delete, 'D'}};
  for (const auto& [on, letter] : buttons)
    if (on) s += letter;
  return s;
}
QString EnabledLetters(TTMmain& w) {
  QString s;
  const std::pair<const char*, char> buttons[] = {
      {"PlayBtn", 'P'}, {"ScanBtn", 'S'}, {"EditBtn", 'E'}, {"ConvertBtn", 'V'},
      {"PrintBtn", 'R'}, {"CopyBtn", 'C'}, {"MoveBtn", 'M'}, {"DeleteBtn", 'D'}};
  for (const auto& [name, letter] : buttons)
    if (Button(w, name)->isEnabled()) s += letter;
  return s;
}

QStringList Listed(TTMmain& w) {
  QStringList names;
  for (int i = 0; i < List(w)->count(); ++i) names << List(w)->item(i)->text();
  return names;
}

}  // namespace

void MainWindowTest::firstStartWritesSettingsAndDirectories() {
  Home home;
  Answers answers;
  TTMmain w(home.Location());
  const std::string ini = ReadText(home.Path("TM.INI"));
  QVERIFY(ini.find("Temp=") < ini.find("WAV="));
  QVERIFY(ini.find("\r\n") != std::string::npos);
  for (Selector s : tonemill::kSelectors) {
    const std::string dir = home.Path(tonemill::SelectorName(s));
    QVERIFY2(std::filesystem::is_directory(dir), dir.c_str());
    QCOMPARE(w.DirectoryField(s)->text(), Q(dir));
  }
  QVERIFY(w.SelectorButton(Selector::MID)->isChecked());
  QCOMPARE(List(w)->Directory(), Q(home.Path("MID")));
  QCOMPARE(EnabledLetters(w), QString());
  QVERIFY(answers.Texts().isEmpty());
  // Its minimum size fits a 1280 x 720 screen (logical pixels, at any scale).
  QVERIFY(w.minimumSizeHint().width() <= 1280 && w.minimumSizeHint().height() <= 680);
}

// The table itself is the rules' (ops/mainrules); the window applies it to its buttons on every
// selection and changes the captions with the selector.
void MainWindowTest::buttonsFollowTheSelectedFile() {
  Home home;
  Answers answers;
  TTMmain w(home.Location());
  const char* files[] = {"a.mid", "b.LST", "c.wav", "d.prg"};
  for (Selector s : {Selector::MID, Selector::PRG, Selector::Song})
    for (const char* f : files) Touch(home.Path(std::string(tonemill::SelectorName(s)) + "/" + f));
  for (Selector s : {Selector::MID, Selector::PRG}) {
    w.SelectorButton(s)->click();
    QCOMPARE(Button(w, "ConvertBtn")->text(), QString(tonemill::ConvertCaption(s)));
    QCOMPARE(Button(w, "PrintBtn")->text(), QString(tonemill::PrintCaption(s)));
    QCOMPARE(EnabledLetters(w), QString());  // nothing selected after a directory change
    for (const char* f : files) {
      const std::string path = home.Path(std::string(tonemill::SelectorName(s)) + "/" + f);
      QVERIFY(List(w)->SelectFile(Q(path)));
      QCOMPARE(EnabledLetters(w), Letters(tonemill::EnabledOperations(s, path, true)));
    }
  }
  // Keyboard: moving the current item recomputes the buttons as a click does.
  w.SelectorButton(Selector::Song)->click();
  List(w)->SelectFile(Q(home.Path("Song/a.mid")));
  QCOMPARE(EnabledLetters(w), QString("CMD"));
  List(w)->setFocus();
  QTest::keyClick(List(w), Qt::Key_Down);
  QCOMPARE(List(w)->FileName(), Q(home.Path("Song/b.LST")));
  QTest::keyClick(List(w), Qt::Key_Down);
  QCOMPARE(EnabledLetters(w), QString("PSECMD"));
  QVERIFY(answers.Texts().isEmpty());
}

void MainWindowTest::missingDirectoryDisablesListWithOneMessage() {
  Home home;
  Answers answers;
  TTMmain w(home.Location());
  w.show();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  Touch(home.Path("MID/a.mid"));
  List(w)->Update();
  QVERIFY(List(w)->SelectFile(Q(home.Path("MID/a.mid"))));
  QLineEdit* field = w.DirectoryField(Selector::MID);
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, Q(home.Path("nowhere")));
  // Enter, then leaving the field: one check, one message.
  QTest::keyClick(field, Qt::Key_Return);
  w.DirectoryField(Selector::LST)->setFocus();
  QCOMPARE(answers.Texts(), QStringList{Q("Can't find directory " + home.Path("nowhere"))});
  QVERIFY(!List(w)->isEnabled());
  QCOMPARE(EnabledLetters(w), QString());
  // Every later leave is checked again: LST (it exists, no message), then MID (one more).
  w.DirectoryField(Selector::MID)->setFocus();
  QCOMPARE(answers.Texts().size(), 1);
  QCOMPARE(w.CurrentSelector(), Selector::LST);
  w.DirectoryField(Selector::LST)->setFocus();
  QCOMPARE(answers.Texts().size(), 2);
}

void MainWindowTest::filterIgnoresCaseAndHidesDotFiles() {
  Home home;
  Answers answers;
  TTMmain w(home.Location());
  for (const char* f : {"song.mid", "OTHER.MID", ".song.mid.tmp-AbC123", "x.wav", "noext"})
    Touch(home.Path(std::string("MID/") + f));
  List(w)->Update();
  auto* filter = w.findChild<QComboBox*>("FilterComboBox");
  QVERIFY(List(w)->SelectFile(Q(home.Path("MID/song.mid"))));
  QCOMPARE(EnabledLetters(w), QString("PSEVRCMD"));
  filter->setCurrentIndex(1);
  QCOMPARE(Listed(w), (QStringList{"[..]", "OTHER.MID", "song.mid"}));
  QCOMPARE(EnabledLetters(w), QString());
  filter->setCurrentIndex(0);
  QCOMPARE(Listed(w), (QStringList{"[..]", "noext", "OTHER.MID", "song.mid", "x.wav"}));
}

void MainWindowTest::placeIsListedWithoutChangingSettings() {
  Home home;
  Answers answers;
  const std::string place = home.Path("elsewhere");
  std::filesystem::create_directories(place);
  Touch(place + "/far.wav");
  const QByteArray oldHome = qgetenv("HOME");
  qputenv("HOME", QByteArray::fromStdString(place));
  TTMmain w(home.Location());
  qputenv("HOME", oldHome);
  const std::string before = ReadText(home.Path("TM.INI"));
  auto* places = w.findChild<QComboBox*>("PlacesComboBox");
  const int homeIndex = places->findData(Q(place));
  QVERIFY(homeIndex > 0);
  places->setCurrentIndex(homeIndex);
  emit places->activated(homeIndex);
  QCOMPARE(List(w)->Directory(), Q(place));
  QVERIFY(Listed(w).contains("far.wav"));
  QCOMPARE(EnabledLetters(w), QString());
  QVERIFY(List(w)->SelectFile(Q(place + "/far.wav")));
  QCOMPARE(EnabledLetters(w), QString("CMD"));  // MID selector, a WAV file
  for (Selector s : tonemill::kSelectors)
    QCOMPARE(w.DirectoryField(s)->text(), Q(home.Path(tonemill::SelectorName(s))));
  w.close();
  // The directories stay as they were; only the window's place is added.
  const std::string after = ReadText(home.Path("TM.INI"));
  QCOMPARE(after.substr(0, before.size()), before);
  QCOMPARE(after.substr(before.size(), 10), std::string("[Window]\r\n"));
}

void MainWindowTest::deletesOneAndSeveralFiles() {
  Home home;
  TTMmain w(home.Location());
  {
    // Play of a file that only looks like a WAV file says why below its fixed text.
    Answers answers;
    Touch(home.Path("Song/fake.wav"));
    w.SelectorClick(int(Selector::Song));
    QVERIFY(List(w)->SelectFile(Q(home.Path("Song/fake.wav"))));
    w.PlayBtnClick();
    QCOMPARE(answers.Texts(), QStringList{"Error reading file!"});
    QVERIFY(!answers.messages.Shown()[0].detail.empty());
    w.SelectorClick(int(Selector::MID));
  }
  for (const char* f : {"a.mid", "b.mid", "c.mid", "d.mid"}) Touch(home.Path(std::string("MID/") + f));
  w.findChild<QPushButton*>("UpdateBtn");
  List(w)->Update();
  {
    Answers answers({Answer::No});
    QVERIFY(List(w)->SelectFile(Q(home.Path("MID/a.mid"))));
    Button(w, "DeleteBtn")->click();
    QCOMPARE(answers.Texts(), QStringList{Q("Delete " + home.Path("MID/a.mid") + "?")});
    QVERIFY(std::filesystem::exists(home.Path("MID/a.mid")));
  }
  {
    Answers answers({Answer::Yes});
    for (int i = 0; i < List(w)->count(); ++i)
      List(w)->item(i)->setSelected(List(w)->item(i)->text() != "c.mid" &&
                                    List(w)->item(i)->text() != "[..]");
    QCOMPARE(List(w)->SelectedFiles().size(), 3);
    Button(w, "DeleteBtn")->click();
    QCOMPARE(answers.Texts(), QStringList{"Delete all selected files?"});
    QCOMPARE(answers.messages.Shown()[0].detail, std::string("3 files will be deleted."));
    QCOMPARE(Listed(w), (QStringList{"[..]", "c.mid"}));
    QVERIFY(std::filesystem::exists(home.Path("MID/c.mid")));
  }
  {
    // A file that went away meanwhile: the failure and its reason, never a success.
    Answers answers({Answer::Yes});
    QVERIFY(List(w)->SelectFile(Q(home.Path("MID/c.mid"))));
    std::filesystem::remove(home.Path("MID/c.mid"));
    Button(w, "DeleteBtn")->click();
    QCOMPARE(answers.Texts().size(), 2);
    QCOMPARE(answers.Texts()[1], Q("Can't delete file " + home.Path("MID/c.mid") +
                                   " (no such file or directory)"));
  }
}

void MainWindowTest::fileArgumentListsItsDirectoryAndSelectsIt() {
  Home home;
  Answers answers;
  const std::string other = home.Path("music");
  std::filesystem::create_directories(other);
  Touch(other + "/tune.wav");
  Touch(other + "/tune.mid");
  TTMmain w(home.Location());
  w.OpenFile(Q(other + "/tune.wav"));
  QCOMPARE(List(w)->Directory(), Q(other));
  QCOMPARE(List(w)->FileName(), Q(other + "/tune.wav"));
  QCOMPARE(w.DirectoryField(Selector::MID)->text(), Q(home.Path("MID")));
}

void MainWindowTest::relativeEntriesResolveOnceAndAreWrittenBackAsTheyWere() {
  Home home;
  Answers answers;
  std::filesystem::create_directories(home.Path("Songs"));
  std::filesystem::create_directories(home.Path("Lists"));
  testing_support::WriteText(home.Path("TM.INI"),
                             "[Directories]\r\nMID=Songs\r\nLST=Lists\r\nSong=Song\r\n"
                             "PRG=PRG\r\nTemp=Temp\r\nWAV=WAV\r\nDFT=DFT\r\n[External]\r\n"
                             "textEditor=NOTEPAD.EXE\r\n");
  {
    TTMmain w(home.Location());
    QCOMPARE(w.DirectoryField(Selector::MID)->text(), Q(home.Path("Songs")));
    // LST chosen after MID still means the program directory's Lists, not Songs/Lists.
    w.SelectorButton(Selector::LST)->click();
    QCOMPARE(List(w)->Directory(), Q(home.Path("Lists")));
    w.DirectoryField(Selector::Temp)->setText(Q(home.Path("Lists")));
    w.close();
  }
  const std::string ini = ReadText(home.Path("TM.INI"));
  QVERIFY(ini.find("MID=Songs\r\n") != std::string::npos);
  QVERIFY(ini.find("Temp=" + home.Path("Lists") + "\r\n") != std::string::npos);
  QVERIFY(ini.find("Vespera=") != std::string::npos);
}

// A program folder copied with its TM.INI, which still names the original's directories: the
// window says so once and, on Yes, uses and keeps the copy's own.
void MainWindowTest::aCopiedFolderOffersItsOwnDirectories() {
  for (const Answer answer : {Answer::No, Answer::Yes}) {
    Home home;
    std::string text = "[Directories]\r\n";
    for (Selector s : tonemill::kSelectors)
      text += tonemill::SelectorName(s) + std::string("=/original/tm/") + tonemill::SelectorName(s) + "\r\n";
    testing_support::WriteText(home.Path("TM.INI"), text + "[External]\r\ntextEditor=NOTEPAD.EXE\r\n");
    Answers answers({answer});
    TTMmain w(home.Location());
    // On No, the list then says that the original's MID directory is not there.
    QCOMPARE(answers.Texts().size(), answer == Answer::Yes ? 1 : 2);
    QVERIFY(answers.Texts()[0].contains("/original/tm/"));
    const std::string wav = answer == Answer::Yes ? home.Path("WAV") : "/original/tm/WAV";
    QCOMPARE(w.DirectoryField(Selector::WAV)->text(), Q(wav));
    QVERIFY(ReadText(home.Path("TM.INI")).find("WAV=" + wav + "\r\n") != std::string::npos);
    QCOMPARE(std::filesystem::is_directory(home.Path("WAV")), answer == Answer::Yes);
  }
}

// Exit with a directory field holding the focus: on an X server without a window manager a
// closed window keeps its focus widget, so the field loses the focus only while the window is
// destroyed. No check may run then, against a window half gone (it used to crash). Leaving the
// bad field by clicking Exit is the one message.
void MainWindowTest::exitWithFocusedDirectoryFieldRunsNoCheck() {
  Home home;
  for (bool clickExit : {true, false}) {
    Answers answers;
    auto* w = new TTMmain(home.Location());
    w->show();
    QApplication::setActiveWindow(w);
    QLineEdit* field = w->DirectoryField(Selector::WAV);
    field->setFocus();
    QTest::keyClicks(field, "-missing");
    if (clickExit) QTest::mouseClick(Button(*w, "ExitBtn"), Qt::LeftButton);
    delete w;
    QCOMPARE(answers.Texts().size(), clickExit ? 1 : 0);
  }
}

// Numbers sort by value; a name too long for the room left by a scroll bar is shortened
// before the size column instead of running into it.
void MainWindowTest::listSortsNaturallyAndKeepsNamesOffTheColumns() {
  Home home;
  Answers answers;
  TTMmain w(home.Location());
  for (const char* f : {"100.prg", "10.prg", "2.prg", "1.prg", "0.prg"}) Touch(home.Path(std::string("PRG/") + f));
  w.SelectorClick(int(Selector::PRG));
  QCOMPARE(Listed(w), (QStringList{"[..]", "0.prg", "1.prg", "2.prg", "10.prg", "100.prg"}));
  const QString name = QString::fromUtf8("Mischung für Tänzer, die lange Fassung.wav");
  for (int i = 0; i < 30; ++i) Touch(home.Path("WAV/" + std::to_string(i) + ".wav"));
  Touch(home.Path("WAV/" + name.toStdString()));
  std::filesystem::resize_file(home.Path("WAV/" + name.toStdString()), 10628328);
  w.SelectorClick(int(Selector::WAV));
  w.show();
  w.resize(w.minimumSizeHint());
  QApplication::processEvents();
  const int row = int(Listed(w).indexOf(name));
  QVERIFY(row > 0);
  const QString shown = List(w)->ShownText(row);
  QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
  QCOMPARE(List(w)->ShownText(1), QString("0.wav"));
}

// A file dropped from a file manager goes through Copy into the listed directory: OK copies,
// Cancel copies nothing; a folder or a remote address is not taken. A MIDI file copied opens
// Convert on the copy.
void MainWindowTest::droppedFilesAreCopiedThroughCopy() {
  Home home;
  Answers answers;
  TTMmain w(home.Location());
  w.show();
  testing_support::TempDir outside;
  testing_support::WriteText(outside.File("dropped.mid"), "MThd");
  testing_support::WriteText(outside.File("dropped.txt"), "text");
  // Each modal dialog that opens gets the next button; their captions are returned.
  auto drop = [&](const QList<QUrl>& urls, QStringList buttons) {
    QMimeData data;
    data.setUrls(urls);
    QStringList captions;
    QTimer timer;
    connect(&timer, &QTimer::timeout, &w, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog || buttons.isEmpty()) return;
      captions << dialog->windowTitle();
      dialog->findChild<QPushButton*>(buttons.takeFirst())->click();
    });
    timer.start(30);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List(w)->viewport(), &enter);
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List(w)->viewport(), &event);
    return captions;
  };
  QCOMPARE(drop({QUrl::fromLocalFile(Q(outside.File("dropped.mid")))}, {"CancelBtn"}), QStringList{"Copy"});
  QVERIFY(!std::filesystem::exists(home.Path("MID/dropped.mid")));
  QCOMPARE(drop({QUrl::fromLocalFile(Q(outside.File("dropped.mid")))}, {"OKBtn", "CancelBtn"}),
           (QStringList{"Copy", "Convert"}));
  QVERIFY(std::filesystem::exists(home.Path("MID/dropped.mid")));
  QVERIFY(Listed(w).contains("dropped.mid"));
  QCOMPARE(drop({QUrl::fromLocalFile(Q(outside.File("dropped.txt")))}, {"OKBtn"}), QStringList{"Copy"});
  QVERIFY(std::filesystem::exists(home.Path("MID/dropped.txt")));
  QCOMPARE(drop({QUrl::fromLocalFile(Q(outside.Dir())), QUrl("https://example.org/a.mid")}, {"OKBtn"}),
           QStringList());
  QVERIFY(answers.Texts().isEmpty());
}

void MainWindowTest::placeIsRestoredOnTheScreenAndOnlyItsChangesWritten() {
  Home home;
  Answers answers;
  { TTMmain first(home.Location()); }  // a fresh TM.INI
  const std::string fresh = ReadText(home.Path("TM.INI"));
  testing_support::WriteText(home.Path("TM.INI"),
                             fresh + "[Window]\r\nLeft=-4000\r\nTop=0\r\nWidth=99999\r\nHeight=300\r\nMaximized=0\r\n");
  {
    TTMmain w(home.Location());
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect shown = w.geometry();
    QCOMPARE(shown.left(), area.left());
    QCOMPARE(shown.width(), std::max(area.width(), w.minimumSizeHint().width()));
    QCOMPARE(shown.height(), std::max(300, w.minimumSizeHint().height()));
    // Another instance moves its window down meanwhile; this one changes only its width.
    std::string other = ReadText(home.Path("TM.INI"));
    other.replace(other.find("Top=0"), 5, "Top=77");
    testing_support::WriteText(home.Path("TM.INI"), other);
    w.setGeometry(shown.left(), 0, shown.width() - 1, shown.height());
    w.close();
  }
  const std::string ini = ReadText(home.Path("TM.INI"));
  QVERIFY(ini.find("Top=77\r\n") != std::string::npos);
  QVERIFY(ini.find("Left=" + std::to_string(QGuiApplication::primaryScreen()->availableGeometry().left())) !=
          std::string::npos);
  QVERIFY(ini.find("Maximized=0\r\n") != std::string::npos);
  QVERIFY(ini.find("MID=") != std::string::npos);
  QVERIFY(answers.Texts().isEmpty());
}
