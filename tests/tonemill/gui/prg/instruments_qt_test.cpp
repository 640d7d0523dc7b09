// The PRG editor, the sample player with its keyboard and the MIDI track editor, driven
// through their slots on the offscreen platform with scripted answers.
#include "platform/qt/audiooutput.h"
#include "platform/qt/help.h"
#include "tests/support/midifiles.h"
#include "tests/tonemill/gui/app/qttesting.h"
#include "tonemill/gui/widgets/ExtFileListBox.h"
#include "tonemill/gui/app/TMmain.h"
#include "tonemill/gui/midi/MIDeditDlg.h"
#include "tonemill/midi/lstwriter.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/gui/prg/PRGeditDlg.h"
#include "tonemill/gui/render/RendStatDlg.h"
#include "tonemill/gui/prg/Keyboard.h"
#include "tonemill/gui/prg/PlaySmplDlg.h"
#include "tonemill/files/soundfile.h"
#include "tonemill/gui/wave/WaviewDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <filesystem>

using namespace tonemill;
using platform::Answer;
using qttesting::Child;
using qttesting::Enabled;
using qttesting::ReadText;
using qttesting::Text;
using qttesting::Answers;
using qttesting::Q;
namespace fs = std::filesystem;
namespace ts = testing_support;

namespace {

// Types into a line edit and leaves it, as the user does.
void Type(QObject& dialog, const char* name, const QString& text) {
  auto* edit = Child<QLineEdit>(dialog, name);
  edit->setFocus();
  edit->setText(text);
  emit edit->textEdited(text);
  QTest::keyClick(edit, Qt::Key_Return);
}

// A WAV directory with PIANO.WAV (44100 Hz, 16 bits, mono, 4410 frames of a tone) and STR.WAV
// (22050 Hz, 8 bits, stereo).
struct Studio {
  Studio() {
    fs::create_directories(dir.File("WAV"));
    fs::create_directories(dir.File("Temp"));
    std::vector<int32_t> tone(4410);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = (i / 50) % 2 ? 8000 : -8000;
    ts::WriteWav(Wav() + "PIANO.WAV", {44100, 16, 1}, tone);
    ts::WriteWav(Wav() + "STR.WAV", {22050, 8, 2}, std::vector<int32_t>(400, 128));
  }
  std::string Wav() const { return dir.File("WAV") + "/"; }
  std::string Temp() const { return dir.File("Temp") + "/"; }
  std::string Prg() const { return dir.File("5.PRG"); }
  ts::TempDir dir;
};

std::string Row(const char* range, const char* base = "c5", const char* wav = "PIANO") {
  ts::PrgFields f;
  f.range = range;
  f.base = base;
  f.wav = wav;
  f.end = "4000";
  return f.Line() + "\r\n";
}

}  // namespace

class InstrumentsTest : public QObject {
  Q_OBJECT
 private slots:
  void helpTopics();
  void prgEditorLoadsAndShowsTheTable();
  void prgEditorChecksCellsAndLocksTheRest();
  void prgEditorRowsCommentsCopyAndSave();
  void prgEditorImportsFromTheViewer();
  void keyboardGeometryAndHitTests();
  void keyboardMouseAndGlissando();
  void samplePlayerNoteAndOctave();
  void samplePlayerWritesRendersAndPlays();
  void samplePlayerPlaysOtherEncodings();
  void midEditorChecksAndRuns();
  void mainWindowEditOpensTheEditors();
};

void InstrumentsTest::helpTopics() {
  for (int context : {prg::kHelpPrgEditor, wave::kHelpSamplePlayer, midi::kHelpTrackEditor})
    QVERIFY2(platform::HelpTopicExists(context), qPrintable(QString::number(context)));
}

void InstrumentsTest::prgEditorLoadsAndShowsTheTable() {
  Studio s;
  {
    // A bad line: the load fails with its message and the editor is not shown.
    ts::WriteText(s.Prg(), Row("c4") + Row("c5", "c5", "gone"));
    Answers answers;
    prg::TPRGeditDlg editor(nullptr, Q(s.Prg()), Q(s.Wav()), Q(s.Temp()));
    QVERIFY(!editor.Load());
    QCOMPARE(answers.Texts(), QStringList{Q("Key range c5. Can't find WAV file " + s.Wav() + "GONE.WAV")});
  }
  ts::WriteText(s.Prg(), "# layer one\r\n" + Row("c0-b4") + Row("c5-g10", "c6", "str") + "# the end\r\n");
  Answers answers({Answer::Ok, Answer::Ok, Answer::Ok});
  prg::TPRGeditDlg editor(nullptr, Q(s.Prg()), Q(s.Wav()), Q(s.Temp()));
  QVERIFY(editor.Load());
  QCOMPARE(answers.Texts().size(), qsizetype(3));  // STR.WAV's format corrected
  QTableWidget* grid = editor.Grid();
  QCOMPARE(grid->rowCount(), 2);
  QCOMPARE(grid->item(1, 1)->text(), QString("STR"));
  QCOMPARE(grid->item(1, 5)->text() + " " + grid->item(1, 6)->text() + " " + grid->item(1, 7)->text(),
           QString("8 2 22050"));
  for (int c : {5, 6, 7}) QVERIFY(!(grid->item(0, c)->flags() & Qt::ItemIsEditable));
  QVERIFY(grid->item(0, 8)->flags() & Qt::ItemIsEditable);
  // The two fixed cells: the row marker and the comment marker.
  QCOMPARE(editor.RowMarker(0), QString("> "));
  QCOMPARE(editor.CommentMarker(0), QString("# "));
  QCOMPARE(editor.RowMarker(1) + editor.CommentMarker(1), QString());
  QCOMPARE(Child<QPlainTextEdit>(editor, "Memo1")->toPlainText(), QString("# layer one"));

  // Explanations follow the selected cell while the table has the focus.
  editor.show();
  editor.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&editor));
  grid->setFocus();
  grid->setCurrentCell(1, 4);
  QCOMPARE(Text(editor, "Label4"), QString(ColumnExplanation(4)));
  QCOMPARE(editor.RowMarker(1), QString("> "));
  Child(editor, "Memo1")->setFocus();
  QCOMPARE(Text(editor, "Label4"), QString("Comment field - free format text."));
  Child(editor, "sampleButton")->setFocus();
  QCOMPARE(Text(editor, "Label4"), QString("No active field selection."));
  // The scroll buttons bring the first cell of their part to the left edge.
  editor.resize(700, 400);
  editor.envelopeButtonClick();
  QCOMPARE(grid->horizontalScrollBar()->value(), grid->horizontalHeader()->sectionPosition(15));
  editor.sampleButtonClick();
  QCOMPARE(grid->horizontalScrollBar()->value(), 0);
}

void InstrumentsTest::prgEditorChecksCellsAndLocksTheRest() {
  Studio s;
  ts::WriteText(s.Prg(), Row("c4-g4") + Row("c5"));
  Answers answers;
  prg::TPRGeditDlg editor(nullptr, Q(s.Prg()), Q(s.Wav()), Q(s.Temp()));
  QVERIFY(editor.Load());
  QTableWidget* grid = editor.Grid();
  // The cells' rules are the document's (prg/prgdocument); a good value is shown in its normal
  // form, with the cells it changes besides its own.
  grid->setCurrentCell(0, 3);
  grid->item(0, 23)->setText("-3");  // a negative loop point clears both
  QCOMPARE(grid->item(0, 23)->text() + grid->item(0, 24)->text(), QString("-1-1"));
  grid->item(0, 1)->setText("str.wav");
  QCOMPARE(grid->item(0, 1)->text() + grid->item(0, 7)->text(), QString("STR22050"));
  QVERIFY(answers.Texts().isEmpty());

  // A bad one: its message without the row prefix, the cell kept, everything else waits.
  grid->setCurrentCell(0, 4);
  grid->item(0, 4)->setText("300");
  QCOMPARE(answers.Texts(), QStringList{"Illegal Base pan: 300"});
  QVERIFY(editor.HasBadCell());
  for (const char* name : {"OKbutton", "copyBtn", "insertButton", "AddButton", "deleteButton",
                           "playButton", "viewButton", "Memo1", "envelopeButton"})
    QVERIFY2(!Enabled(editor, name), name);
  QVERIFY(Enabled(editor, "CancelBtn") && Enabled(editor, "HelpBtn"));
  grid->setCurrentCell(1, 2);
  QTRY_COMPARE(grid->currentRow() * 100 + grid->currentColumn(), 4);
  grid->item(0, 4)->setText("12");
  QVERIFY(!editor.HasBadCell());
  QVERIFY(Enabled(editor, "OKbutton") && Enabled(editor, "deleteButton"));
  // Copy to... is there only for the fields it may copy.
  grid->setCurrentCell(0, 2);
  QVERIFY(!Enabled(editor, "copyBtn"));
  grid->setCurrentCell(0, 5);
  QVERIFY(!Enabled(editor, "copyBtn"));
  grid->setCurrentCell(0, 4);
  QVERIFY(Enabled(editor, "copyBtn"));
}

void InstrumentsTest::prgEditorRowsCommentsCopyAndSave() {
  Studio s;
  ts::WriteText(s.Prg(), "  # indented\r\n" + Row("c4-g4") + Row("g4-c5") + Row("c3-c4") +
                             Row("a5", "a5") + "#after\r\n");
  Answers answers;
  prg::TPRGeditDlg editor(nullptr, Q(s.Prg()), Q(s.Wav()), Q(s.Temp()));
  QVERIFY(editor.Load());
  QTableWidget* grid = editor.Grid();
  auto column = [&](int c) {
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r) texts << grid->item(r, c)->text();
    return texts.join(' ');
  };
  // Copy to...: Same key copies into the overlapping ranges only, Same base key by base key.
  grid->setCurrentCell(0, 4);
  grid->item(0, 4)->setText("1");
  Child<QRadioButton>(editor, "sameNoteBtn")->setChecked(true);
  editor.copyBtnClick();
  QCOMPARE(column(4), QString("1 1 1 64"));
  grid->item(0, 4)->setText("2");
  Child<QRadioButton>(editor, "sameBaseNoteBtn")->setChecked(true);
  editor.copyBtnClick();
  QCOMPARE(column(4), QString("2 2 2 64"));
  grid->item(0, 4)->setText("3");
  Child<QRadioButton>(editor, "allBtn")->setChecked(true);
  editor.copyBtnClick();
  QCOMPARE(column(4), QString("3 3 3 3"));

  // Rows: Insert keeps the selection on the original, Add selects the copy, Delete the next.
  grid->setCurrentCell(1, 4);
  editor.insertButtonClick();
  QCOMPARE(grid->rowCount(), 5);
  QCOMPARE(grid->currentRow() * 100 + grid->currentColumn(), 100);
  editor.AddButtonClick();
  QCOMPARE(grid->rowCount(), 6);
  QCOMPARE(grid->currentRow(), 2);
  QCOMPARE(column(0), QString("c4-g4 g4-c5 g4-c5 g4-c5 c3-c4 a5"));
  grid->setCurrentCell(5, 3);
  editor.deleteButtonClick();
  QCOMPARE(grid->currentRow(), 4);
  editor.deleteButtonClick();
  editor.deleteButtonClick();
  QCOMPARE(column(0), QString("c4-g4 g4-c5 g4-c5"));

  // Comments: the memo's lines replace the row's, an empty memo removes them.
  auto* memo = Child<QPlainTextEdit>(editor, "Memo1");
  grid->setCurrentCell(1, 0);
  memo->setPlainText("first\n  second");
  memo->document()->setModified(true);
  editor.Memo1Exit();
  QCOMPARE(editor.CommentMarker(1), QString("# "));
  grid->setCurrentCell(0, 0);
  QCOMPARE(memo->toPlainText(), QString("  # indented"));
  memo->setPlainText("");
  memo->document()->setModified(true);
  grid->setCurrentCell(2, 0);  // moving on takes the memo's lines along
  QCOMPARE(editor.CommentMarker(0), QString());

  // OK writes the file: comments first, the lines in the editor's form, the last comments.
  const std::string line = FormatPrgLine(LineOfRow(editor.Document().rows[1]));
  editor.OKbuttonClick();
  QCOMPARE(editor.result(), int(QDialog::Accepted));
  QCOMPARE(ReadText(s.Prg()),
           FormatPrgLine(LineOfRow(editor.Document().rows[0])) + "\r\n# first\r\n#  second\r\n" + line +
               "\r\n" + FormatPrgLine(LineOfRow(editor.Document().rows[2])) + "\r\n#after\r\n");
  QVERIFY(answers.Texts().isEmpty());

  // A file that cannot be written keeps the dialog open.
  prg::TPRGeditDlg again(nullptr, Q(s.Prg()), Q(s.Wav()), Q(s.Temp()));
  QVERIFY(again.Load());
  fs::remove(s.Prg());
  fs::create_directory(s.Prg());  // a directory where the file was
  again.OKbuttonClick();
  QVERIFY(!answers.Texts().isEmpty());
  QVERIFY(answers.Texts().last().startsWith("Can't write PRG file!"));
  QCOMPARE(again.result(), 0);
}

void InstrumentsTest::prgEditorImportsFromTheViewer() {
  Studio s;
  ts::WriteText(s.Prg(), Row("c4"));
  Answers answers;
  auto editor = std::make_unique<prg::TPRGeditDlg>(nullptr, Q(s.Prg()), Q(s.Wav()), Q(s.Temp()));
  QVERIFY(editor->Load());
  editor->show();
  QTableWidget* grid = editor->Grid();
  QCOMPARE(Text(*editor, "viewButton"), QString("&View sample"));
  editor->viewButtonClick();
  wave::TWAViewDlg* viewer = editor->Viewer();
  QVERIFY(viewer);
  QCOMPARE(Text(*editor, "viewButton"), QString("&Import value"));
  // Import value is there only on the six fields it fills.
  grid->setCurrentCell(0, 4);
  QVERIFY(!Enabled(*editor, "viewButton"));
  grid->setCurrentCell(0, 21);
  QVERIFY(Enabled(*editor, "viewButton"));
  editor->viewButtonClick();
  QCOMPARE(answers.Texts(), QStringList{"Nothing is marked in WAView!"});
  viewer->resize(600, 400);
  viewer->redraw();
  const int w = Child(*viewer, "curves")->width();
  viewer->curvesClick(w / 4, 10);
  viewer->curvesClick(w / 2, 10);
  const int64_t first = viewer->View().MarkStart(), last = viewer->View().MarkEnd();
  editor->viewButtonClick();  // start sample: the range's start in frames
  QCOMPARE(grid->item(0, 21)->text(), QString::number(first));
  grid->setCurrentCell(0, 19);
  editor->viewButtonClick();  // attack length: the range's length in ms
  QCOMPARE(grid->item(0, 19)->text(), QString::number(std::llround((last - first) / 44.1)));
  // A loop start imported past the loop end takes the loop end along.
  grid->item(0, 21)->setText("0");
  grid->item(0, 23)->setText("10");
  grid->item(0, 24)->setText("20");
  grid->setCurrentCell(0, 23);
  editor->viewButtonClick();
  QCOMPARE(grid->item(0, 24)->text(), QString::number(first));
  QCOMPARE(answers.Texts().size(), qsizetype(1));
  // Closing the editor takes the viewer along.
  QPointer<QWidget> watch(viewer);
  Child<QPushButton>(*editor, "CancelBtn")->click();
  editor.reset();
  QVERIFY(watch.isNull());
}

void InstrumentsTest::keyboardGeometryAndHitTests() {
  wave::KeyboardGeometry g{18, 60, 3};
  QCOMPARE(g.BlackWidth(), 11);  // 3/5 of 18 is 10, made odd
  const wave::KeyboardGeometry small{10, 50, 3};
  QCOMPARE(small.BlackWidth(), 7);
  QCOMPARE(g.BlackLength(), 36);
  // Every white key of three octaves, hit in its lower half, and the black keys in the upper.
  const int whites[7] = {0, 2, 4, 5, 7, 9, 11};
  for (int octave = 0; octave < 3; ++octave)
    for (int d = 0; d < 7; ++d) {
      const int x = (octave * 7 + d) * 18;
      QCOMPARE(g.KeyAt(x + 9, 50, true).key, 36 + octave * 12 + whites[d]);
      // Both edges of the white key below the black keys.
      QCOMPARE(g.KeyAt(x, 59, false).key, 36 + octave * 12 + whites[d]);
      QCOMPARE(g.KeyAt(x + 17, 40, false).key, 36 + octave * 12 + whites[d]);
      if (wave::KeyboardGeometry::HasBlackAfter(d)) {
        const int left = g.BlackLeft(octave * 7 + d);
        const int shift[7] = {-1, 1, 0, -1, 0, 1, 0};
        QCOMPARE(left, x + 18 - 5 + shift[d]);
        for (int along : {left, left + 10}) {
          const wave::KeyboardGeometry::Hit hit = g.KeyAt(along, 10, true);
          QCOMPARE(hit.key, 36 + octave * 12 + whites[d] + 1);
          QVERIFY(hit.black);
          QCOMPARE(hit.velocity, 10 * 127 / 36);
        }
        QCOMPARE(g.KeyAt(left - 1, 10, true).key, 36 + octave * 12 + whites[d]);
        QCOMPARE(g.KeyAt(left + 11, 10, true).key, 36 + octave * 12 + whites[d] + 2 - (d == 2 || d == 6));
      }
    }
  QCOMPARE(g.KeyAt(5, 59, true).velocity, 59 * 127 / 60);
  QCOMPARE(g.KeyAt(-1, 5, true).key, -1);
  QCOMPARE(g.KeyAt(5, 60, true).key, -1);
  // A black key's area, and a white key's with the black keys beside it cut away.
  const wave::KeyboardGeometry::Area d = g.KeyArea(38);
  QCOMPARE(d.start, 18);
  QCOMPARE(d.cutLeft, g.BlackLeft(0) + 11 - 18);
  QCOMPARE(d.cutRight, 36 - g.BlackLeft(1));
  QVERIFY(g.KeyArea(37).black && g.KeyArea(37).start == g.BlackLeft(0));
  QCOMPARE(g.KeyArea(35).width, 0);  // below the first key

  // The widget in both orientations: the vertical one counts from the bottom edge.
  wave::TKeys keys;
  QCOMPARE(keys.NoteWidth(), 10);
  QCOMPARE(keys.BaseOctave(), 3);
  QVERIFY(keys.VelocityMode());
  QCOMPARE(keys.sizeHint(), QSize(200, 50));
  keys.resize(200, 50);
  QCOMPARE(keys.HitTest({15, 45}).key, 38);
  keys.SetOrientation(1);
  keys.resize(50, 200);
  QCOMPARE(keys.HitTest({45, 199 - 15}).key, 38);
  QCOMPARE(keys.HitTest({45, 199 - 15}).velocity, 45 * 127 / 50);
  QCOMPARE(keys.KeyRect(36), QRect(0, 190, 50, 10));
  QCOMPARE(keys.HitTest({60, 5}).key, -1);
}

void InstrumentsTest::keyboardMouseAndGlissando() {
  wave::TKeys keys;
  keys.resize(200, 50);
  keys.show();
  QSignalSpy on(&keys, &wave::TKeys::OnNoteOn), off(&keys, &wave::TKeys::OnNoteOff);
  QTest::mousePress(&keys, Qt::LeftButton, {}, {5, 45});
  QCOMPARE(on.size(), 1);
  QCOMPARE(on[0][0].toInt(), 36);
  QCOMPARE(on[0][1].toInt(), 45 * 127 / 50);
  QVERIFY(keys.IsDown(36));
  // Dragging across a key boundary: note off for the old key before note on for the new one.
  QMouseEvent move(QEvent::MouseMove, QPointF(15, 45), keys.mapToGlobal(QPointF(15, 45)), Qt::NoButton,
                   Qt::LeftButton, {});
  QApplication::sendEvent(&keys, &move);
  QCOMPARE(off.size(), 1);
  QCOMPARE(off[0][0].toInt(), 36);
  QCOMPARE(off[0][1].toInt(), 0);
  QCOMPARE(on.size(), 2);
  QCOMPARE(on[1][0].toInt(), 38);
  QVERIFY(!keys.IsDown(36) && keys.IsDown(38));
  // Outside the control nothing fires.
  QMouseEvent outside(QEvent::MouseMove, QPointF(15, 80), keys.mapToGlobal(QPointF(15, 80)), Qt::NoButton,
                      Qt::LeftButton, {});
  QApplication::sendEvent(&keys, &outside);
  QCOMPARE(on.size() + off.size(), 3);
  QTest::mouseRelease(&keys, Qt::LeftButton, {}, {15, 80});
  QCOMPARE(off.size(), 2);
  QCOMPARE(off[1][0].toInt(), 38);
  QVERIFY(!keys.IsDown(38));
  QCOMPARE(keys.LastKey(), -1);
  // With velocity mode off every key sounds at 127.
  keys.SetVelocityMode(false);
  QTest::mousePress(&keys, Qt::LeftButton, {}, {5, 2});
  QCOMPARE(on.last()[1].toInt(), 127);
  QTest::mouseRelease(&keys, Qt::LeftButton, {}, {5, 2});
}

void InstrumentsTest::samplePlayerNoteAndOctave() {
  Studio s;
  PrgLine piano;
  piano.wavName = "PIANO";
  piano.keyLow = 55;
  piano.keyHigh = 60;
  Answers answers;
  wave::TplaySampleDlg player(nullptr, Q(s.Wav()), Q(s.Temp()), Q(s.Temp() + "Temp.WAV"), "g4",
                             {piano}, 0);
  QCOMPARE(Text(player, "noteEdit") + " " + Text(player, "octaveEdit"), QString("g4 4"));
  QVERIFY(Enabled(player, "writeButton"));
  QVERIFY(!Enabled(player, "playButton"));  // no output file yet
  QCOMPARE(player.Keys()->NoteWidth(), 18);
  // Made taller, the player gives the height to its keyboard, not to its option groups.
  player.show();
  QCoreApplication::processEvents();
  const int keys = player.Keys()->height(), group = Child(player, "channelGroup")->height();
  player.resize(player.width() + 200, player.height() + 300);
  QCoreApplication::processEvents();
  QVERIFY(player.Keys()->height() >= keys + 290);
  QCOMPARE(Child(player, "channelGroup")->height(), group);

  // Note and octave; what a field takes is the player's rules' (prg/sampleplay).
  Type(player, "noteEdit", "C#6");
  QCOMPARE(Text(player, "noteEdit") + " " + Text(player, "octaveEdit"), QString("c#6 6"));
  Type(player, "noteEdit", "h6");
  QCOMPARE(answers.Texts(), QStringList{"Illegal note code!"});
  QCOMPARE(Text(player, "noteEdit"), QString("c#6"));
  Type(player, "octaveEdit", "2");
  QCOMPARE(player.Key(), 25);
  // The octave controls reach b10 (131); the note controls stop at 127 and 0.
  Type(player, "noteEdit", "b9");
  player.octaveSpinUpClick();
  QCOMPARE(player.Key(), 131);
  player.octaveSpinUpClick();
  QCOMPARE(player.Key(), 131);
  player.noteSpinUpClick();
  QCOMPARE(player.Key(), 131);
  Type(player, "noteEdit", "g10");
  player.noteSpinUpClick();
  QCOMPARE(player.Key(), 127);
  Type(player, "noteEdit", "c0");
  player.noteSpinDownClick();
  player.octaveSpinDownClick();
  QCOMPARE(player.Key(), 0);
  // A key on the keyboard takes the octave field's octave, or 4 when that holds none.
  Type(player, "octaveEdit", "7");
  player.KeysNoteOn(40, 100);  // e
  QCOMPARE(player.Key(), 88);
  Child<QLineEdit>(player, "octaveEdit")->setText("x");
  player.KeysNoteOn(41, 100);
  QCOMPARE(player.Key(), 53);
  // A number out of range is refused with its message and the old text comes back.
  Type(player, "durationEdit", "0.4");
  QCOMPARE(answers.Texts(), (QStringList{"Illegal note code!", "Illegal Duration!"}));
  QCOMPARE(Text(player, "durationEdit"), QString("1000"));
}

void InstrumentsTest::samplePlayerWritesRendersAndPlays() {
  Studio s;
  std::vector<PrgLine> rows(8);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].wavName = "PIANO";
    rows[i].keyLow = i == 1 ? 70 : 50;
    rows[i].keyHigh = i == 1 ? 80 : 70;
    rows[i].endSample = 4000;
    rows[i].baseVolume = 100;
  }
  const std::string output = s.Temp() + "Temp.WAV", list = s.Temp() + "Temp.LST";
  Answers answers({Answer::Ok});
  wave::TplaySampleDlg player(nullptr, Q(s.Wav()), Q(s.Temp()), Q(output), "c5", rows, 1);
  int renders = 0;
  player.showRender = [&](QDialog& d) {
    d.show();
    QCoreApplication::processEvents();
    QCOMPARE(static_cast<render::TstatDlg&>(d).Ended(), render::TstatDlg::End::Done);
    ++renders;
    d.accept();
  };
  // One row: the selected one, whatever the note; mono 22050 Hz 8 bits.
  Type(player, "durationEdit", "50");
  Type(player, "pressureEdit", "70");
  Child<QRadioButton>(player, "monoButton")->setChecked(true);
  Child<QRadioButton>(player, "rate22Button")->setChecked(true);
  Child<QRadioButton>(player, "bits8Button")->setChecked(true);
  player.writeButtonClick();
  QCOMPARE(renders, 1);
  QCOMPARE(ReadText(list), "50\r\n{\r\n" + InstrumentLine(rows[1]) +
                               "\r\n[\r\n60\r\n0 ON 64\r\n0 PRS 70\r\n50 OFF 64\r\n]\r\n}\r\n");
  const ts::WavData wav = ts::ReadWav(output);
  QCOMPARE(wav.rate * 100 + wav.bits * 10 + wav.channels, 22050 * 100 + 80 + 1);
  QVERIFY(Enabled(player, "playButton"));
  QVERIFY(answers.Texts().isEmpty());

  // All layers: the rows holding the note, at most six; the output exists now and is asked for.
  Child<QCheckBox>(player, "layerBox")->setChecked(true);
  player.writeButtonClick();
  QCOMPARE(answers.Texts(), QStringList{Q("File " + output + " will be overwritten!")});
  QCOMPARE(renders, 2);
  QCOMPARE(QString::fromStdString(ReadText(list)).count("{\r\n"), 6);
  // Cancel on the question writes nothing.
  fs::remove(list);
  player.writeButtonClick();
  QCOMPARE(renders, 2);
  QVERIFY(!fs::exists(list));
  // No row holds the note: said so instead of a silent song.
  Type(player, "noteEdit", "c8");
  player.writeButtonClick();
  QCOMPARE(answers.Texts().last(), QString("No layer of the instrument plays the note c8!"));
  // The output may not be a sample of the instrument.
  Type(player, "noteEdit", "c5");
  Type(player, "fileEdit", Q(s.Wav() + "PIANO.WAV"));
  player.writeButtonClick();
  QCOMPARE(answers.Texts().last(), Q("Can't overwrite sample file " + s.Wav() + "PIANO.WAV!"));
  QCOMPARE(renders, 2);

  // Play file toggles with Stop; Write file waits while it plays.
  platform::FakeAudioOutput* device = nullptr;
  platform::SetAudioOutputFactory([&] {
    auto fake = std::make_unique<platform::FakeAudioOutput>();
    device = fake.get();
    return fake;
  });
  Type(player, "fileEdit", Q(output));
  player.playButtonClick();
  QVERIFY(device && device->Playing());
  QCOMPARE(Text(player, "playButton"), QString("&Stop"));
  QVERIFY(!Enabled(player, "writeButton"));
  player.playButtonClick();
  QCOMPARE(Text(player, "playButton"), QString("Play f&ile"));
  QVERIFY(Enabled(player, "writeButton"));
  // Playing to the end gives the button back by itself.
  player.playButtonClick();
  device->Advance(1 << 20);
  QTRY_COMPARE(Text(player, "playButton"), QString("Play f&ile"));
  // A quiet note is heard raised to -1 dBFS (at most +40 dB), a loud one as it is; the gain is
  // shown and the file stays as written.
  const struct {
    int peak;
    double gain;
    const char* shown;
  } levels[] = {{328, 32768 * 0.8912509381337456 / 328, "Preview gain: +39.0 dB"},
                {30000, 1.0, "Preview gain: +0.0 dB"},
                {100, 100.0, "Preview gain: +40.0 dB"}};
  for (const auto& l : levels) {
    const std::vector<int32_t> samples{0, l.peak, -l.peak / 2, 7};
    ts::WriteWav(output, {22050, 16, 1}, samples);
    const std::vector<uint8_t> written = ts::ReadBytes(output);
    player.playButtonClick();
    device->Advance(1 << 20);
    QTRY_COMPARE(Text(player, "playButton"), QString("Play f&ile"));
    QCOMPARE(Text(player, "gainLabel"), QString(l.shown));
    QByteArray expected;
    for (int32_t v : samples) {
      const int16_t scaled = int16_t(std::clamp(int(std::lround(v * l.gain)), -32768, 32767));
      expected.append(char(uint16_t(scaled) & 0xff)).append(char(uint16_t(scaled) >> 8));
    }
    QCOMPARE(device->Bytes(), expected);
    QVERIFY(ts::ReadBytes(output) == written);
  }
  platform::SetAudioOutputFactory({});
}

void InstrumentsTest::samplePlayerPlaysOtherEncodings() {
  // A render named .flac and a 24-bit file are heard from their samples decoded to 16 bits.
  Studio s;
  std::vector<PrgLine> rows(1);
  rows[0].wavName = "PIANO";
  rows[0].keyLow = 50;
  rows[0].keyHigh = 70;
  rows[0].endSample = 4000;
  rows[0].baseVolume = 100;
  platform::FakeAudioOutput* device = nullptr;
  platform::SetAudioOutputFactory([&] {
    auto fake = std::make_unique<platform::FakeAudioOutput>();
    device = fake.get();
    return fake;
  });
  const std::string flac = s.Temp() + "Temp.flac", wide = s.Temp() + "wide.wav";
  ts::WriteWav(wide, {48000, 24, 2}, {0, 100 << 8, -(200 << 8), 8388607});
  const struct {
    std::string file;
    bool render;
    qint64 bytes;  // what is played: 16-bit frames
  } cases[] = {{flac, true, 22050 / 20 * 2 * 2}, {wide, false, 2 * 2 * 2}};
  for (const auto& c : cases) {
    Answers answers;
    wave::TplaySampleDlg player(nullptr, Q(s.Wav()), Q(s.Temp()), Q(c.file), "c5", rows, 0);
    player.showRender = [](QDialog& d) {
      d.show();
      QCoreApplication::processEvents();
      d.accept();
    };
    if (c.render) {
      Type(player, "durationEdit", "50");
      Child<QRadioButton>(player, "rate22Button")->setChecked(true);
      player.writeButtonClick();
      std::string error;
      const SoundFile written = SoundFile::OpenRead(c.file, error);
      QVERIFY2(written.IsOpen(), error.c_str());
      QCOMPARE(written.Format().rate, 22050);
    }
    device = nullptr;
    player.playButtonClick();
    QCOMPARE(answers.Texts(), QStringList());
    QVERIFY(device && device->Playing());
    device->Advance(1 << 20);
    QTRY_COMPARE(Text(player, "playButton"), QString("Play f&ile"));
    QVERIFY(std::abs(device->Bytes().size() - c.bytes) <= 4);
  }
  platform::SetAudioOutputFactory({});
}

void InstrumentsTest::midEditorChecksAndRuns() {
  ts::TempDir dir;
  ts::MidiTrack track;
  track.Delta(0).Raw({0xFF, 0x03, 4, 'L', 'e', 'a', 'd'});
  track.NoteOn(0, 1, 60, 100).Controller(10, 1, 7, 90).Controller(0, 1, 64, 127).NoteOff(20, 1, 60);
  track.NoteOn(0, 10, 36, 100).NoteOff(30, 10, 36).EndOfTrack();
  ts::WriteBytes(dir.File("song.mid"), ts::MidiFile(0, 96, {track}));
  const std::string source = dir.File("song.mid"), destination = dir.File("temp.mid");
  auto answers = std::make_unique<Answers>();
  midi::TMIDeditDlg editor(nullptr, Q(source), Q(destination));
  editor.show();
  QTableWidget* grid = editor.Grid();
  // Made taller, the editor gives the height to the table.
  QCoreApplication::processEvents();
  const int rows = grid->height(), operation = Child(editor, "operationGroup")->height();
  editor.resize(editor.width(), editor.height() + 300);
  QCoreApplication::processEvents();
  QVERIFY(grid->height() >= rows + 290);
  QCOMPARE(Child(editor, "operationGroup")->height(), operation);
  QCOMPARE(grid->rowCount(), 1);
  QCOMPARE(grid->item(0, 0)->text() + ":" + grid->item(0, 1)->text(), QString("1:1"));
  QVERIFY(Child<QRadioButton>(editor, "muteButton")->isChecked());
  QVERIFY(Child<QCheckBox>(editor, "noteBox")->isChecked() && !Child<QCheckBox>(editor, "volumeBox")->isChecked());
  QVERIFY(!Enabled(editor, "deleteButton") && Enabled(editor, "OKbutton"));

  // The pairs the file uses, with their instruments: choosing one fills the current row.
  auto* pairs = Child<QComboBox>(editor, "pairsBox");
  QCOMPARE(pairs->count(), 3);
  QVERIFY2(pairs->itemText(2).startsWith("Track 1 (Lead), channel 10"), qPrintable(pairs->itemText(2)));
  grid->setCurrentCell(0, 0);
  pairs->activated(2);
  QCOMPARE(grid->item(0, 0)->text() + ":" + grid->item(0, 1)->text(), QString("1:10"));
  grid->item(0, 1)->setText("1");

  // The file fields.
  Type(editor, "Edit1", Q(dir.File("none.mid")));
  QVERIFY(answers->Texts().last().startsWith("File not found!"));
  QVERIFY(!Enabled(editor, "OKbutton"));
  Type(editor, "Edit1", Q(source));
  Type(editor, "Edit2", Q(dir.File("../" + fs::path(dir.Dir()).parent_path().filename().string() + "/song.mid")));
  QCOMPARE(answers->Texts().last(), QString("Can't overwrite source file!"));
  QVERIFY(!Enabled(editor, "OKbutton"));
  Type(editor, "Edit2", Q(destination));
  QVERIFY(Enabled(editor, "OKbutton"));

  // Cells (the drum list's rules): a bad one locks the rest until corrected; "all" is ALL.
  grid->item(0, 1)->setText("17");
  QCOMPARE(answers->Texts().last(), QString("Illegal MIDI Channel!"));
  QVERIFY(!Enabled(editor, "OKbutton") && !Enabled(editor, "addButton") && !Enabled(editor, "Edit1"));
  grid->item(0, 1)->setText("1");
  // Typed into the cell's editor: Tab keeps the editor on the bad cell (and says it again),
  // and leaves it once the entry is right.
  QApplication::setActiveWindow(&editor);
  grid->setCurrentCell(0, 1);
  grid->editItem(grid->item(0, 1));
  auto cellEditor = [] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); };
  QVERIFY(cellEditor());
  cellEditor()->setText("17");
  const qsizetype before = answers->Texts().size();
  for (int i = 0; i < 2; ++i) {
    QTest::keyClick(cellEditor(), Qt::Key_Tab);
    QCOMPARE(answers->Texts().size(), before + 1 + i);
    QVERIFY(cellEditor() && cellEditor()->text() == "17");
    QCOMPARE(grid->currentColumn(), 1);
  }
  cellEditor()->setText("1");
  QTest::keyClick(cellEditor(), Qt::Key_Tab);
  QCOMPARE(answers->Texts().size(), before + 2);
  QVERIFY(Enabled(editor, "addButton") && grid->item(0, 1)->text() == "1");
  QVERIFY(grid->currentColumn() != 1);
  grid->item(0, 0)->setText(" a l l ");
  QCOMPARE(grid->item(0, 0)->text(), QString("ALL"));
  editor.addButtonClick();
  QCOMPARE(grid->rowCount(), 2);
  QVERIFY(Enabled(editor, "deleteButton"));
  grid->item(1, 1)->setText("");
  const qsizetype shown = answers->Texts().size();
  editor.addButtonClick();
  QCOMPARE(answers->Texts().size(), shown + 1);
  QCOMPARE(answers->Texts().last(), QString("Incomplete Track:Channel specification!"));
  QCOMPARE(grid->currentRow(), 1);
  grid->item(1, 1)->setText("1");
  grid->item(1, 0)->setText("all");  // the same pair twice: given once
  Child<QCheckBox>(editor, "volumeBox")->setChecked(true);

  // OK: an existing destination is asked for; Cancel goes back to the dialog.
  answers.reset();  // scopes end in the order they began
  answers = std::make_unique<Answers>(std::deque<Answer>{Answer::Cancel, Answer::Ok});
  ts::WriteText(destination, "old");
  editor.OKbuttonClick();
  QCOMPARE(answers->Texts().last(), Q("Existing file " + destination + " will be overwritten!"));
  QCOMPARE(ReadText(destination), std::string("old"));
  QVERIFY(editor.isVisible());
  const TrackEdit edit = editor.Edit();
  QCOMPARE(edit.pairs.size(), size_t(1));
  QVERIFY(edit.mute && edit.kinds.volume && edit.pairs[0] == (TrackChannel{-1, 1}));
  editor.OKbuttonClick();
  QCOMPARE(editor.result(), int(QDialog::Accepted));
  // The same copy as the engine's.
  const std::string reference = dir.File("reference.mid");
  QVERIFY(!ops::ProblemOf(ops::EditTracks(source, reference, edit, Overwrite::Refuse)));
  QCOMPARE(ts::ReadBytes(destination), ts::ReadBytes(reference));
  QVERIFY(ts::ReadBytes(destination) != ts::ReadBytes(source));
}

void InstrumentsTest::mainWindowEditOpensTheEditors() {
  qttesting::Home home;
  { app::TTMmain first(home.Location()); }  // makes TM.INI and the working directories
  ts::WriteWav(home.Path("WAV/PIANO.WAV"), {44100, 16, 1}, std::vector<int32_t>(100, 0));
  ts::WriteText(home.Path("PRG/5.PRG"), Row("c4"));
  ts::MidiTrack track;
  track.NoteOn(0, 1, 60, 100).NoteOff(96, 1, 60).EndOfTrack();
  ts::WriteBytes(home.Path("MID/song.mid"), ts::MidiFile(0, 96, {track}));
  app::TTMmain window(home.Location());
  auto* list = Child<TExtFileListBox>(window, "FileListBox");
  // The Edit dialog is answered with OK; the editor it opens is looked at and closed.
  QStringList opened;
  QTimer closer;
  connect(&closer, &QTimer::timeout, &window, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (modal->windowTitle() == "Edit") {
      QMetaObject::invokeMethod(Child<QPushButton>(*modal, "OKBtn"), "click", Qt::QueuedConnection);
      return;
    }
    const auto* destination = modal->findChild<QLineEdit*>("Edit2");
    opened << modal->windowTitle() + "|" + (destination ? destination->text() : QString());
    QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
  });
  closer.start(10);
  Answers answers;
  window.SelectorButton(Selector::PRG)->click();
  window.UpdateBtnClick();
  QVERIFY(list->SelectFile(Q(home.Path("PRG/5.PRG"))));
  window.EditBtnClick();
  window.SelectorButton(Selector::MID)->click();
  window.UpdateBtnClick();
  QVERIFY(list->SelectFile(Q(home.Path("MID/song.mid"))));
  window.EditBtnClick();
  QCOMPARE(opened, (QStringList{"PRG Edit|", Q("MID Edit|" + home.Path("MID/temp.mid"))}));
  QVERIFY(answers.Texts().isEmpty());
}

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  InstrumentsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "instruments_qt_test.moc"
