// The PRG editor's document: loading with its messages and warnings, the check of a cell as it
// is left, Copy to..., the viewer's import and saving; and the sample player's song list.
#include "tonemill/prg/prgdocument.h"
#include "tonemill/prg/sampleplay.h"

#include "platform/messages.h"
#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"
#include "tonemill/prg/prgline.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

namespace ts = testing_support;
using platform::Answer;

// A WAV directory with PIANO.WAV (16 bits, mono, 44100 Hz, 1000 frames) and STR.WAV (8 bits,
// stereo, 22050 Hz), and a PRG file to load.
struct Studio {
  Studio() {
    ts::WriteWav(dir.File("PIANO.WAV"), {44100, 16, 1}, std::vector<int32_t>(1000, 0));
    ts::WriteWav(dir.File("str.wav"), {22050, 8, 2}, std::vector<int32_t>(200, 128));
  }
  std::string Prg() const { return dir.File("1.PRG"); }
  PrgDocumentLoad Load(const std::string& text, std::deque<Answer> answers = {}) {
    ts::WriteText(Prg(), text);
    platform::ScriptedMessages script(std::move(answers));
    platform::MessageScope scope(script);
    PrgDocumentLoad load = LoadPrgDocument(Prg(), dir.Dir());
    asked = script.Texts();
    return load;
  }
  ts::TempDir dir;
  std::vector<std::string> asked;
};

std::string Line(void (*change)(ts::PrgFields&)) {
  ts::PrgFields f;
  change(f);
  return f.Line();
}

TEST(PrgDocument, LoadsRowsWithTheirCommentsAndWritesThemBackUnchanged) {
  Studio s;
  const std::string text =
      "# piano layers\r\n"
      "  # indented\r\n"
      "\r\n" +
      Line([](ts::PrgFields& f) { f.range = "c0-b4"; f.wav = "piano.wav"; }) + "\r\n" +
      Line([](ts::PrgFields& f) { f.range = "C5"; f.wav = "Str"; f.base = "C#5"; f.pan = "63.5";
                                  f.attack = "1"; f.loopStart = "-5"; f.loopEnd = "500"; }) +
      "\r\n#last words\r\n";
  const PrgDocumentLoad load = s.Load(text, {Answer::Ok, Answer::Ok, Answer::Ok});
  ASSERT_TRUE(load.loaded) << load.message;
  const PrgDocument& d = load.document;
  ASSERT_EQ(d.rows.size(), 2u);
  EXPECT_EQ(d.rows[0].comments, (std::vector<std::string>{"# piano layers", "  # indented"}));
  EXPECT_EQ(d.rows[0].Cell(PrgField::WavFile), "PIANO");
  EXPECT_TRUE(d.rows[1].comments.empty());
  EXPECT_EQ(d.trailingComments, std::vector<std::string>{"#last words"});
  // STR.WAV is 8-bit stereo at 22050 Hz: three warnings, each answered OK.
  const std::string file = s.dir.Dir() + "STR.WAV";
  EXPECT_EQ(s.asked, (std::vector<std::string>{
                         "Key range C5. Sample size modified to 8 bits in WAV file " + file,
                         "Key range C5. Number of channels modified to 2 in WAV file " + file,
                         "Key range C5. Sampling rate modified to 22050 Hz in WAV file " + file}));
  const PrgRow& r = d.rows[1];
  EXPECT_EQ(r.cells[0], "c5");
  EXPECT_EQ((std::vector<std::string>{r.Cell(PrgField::BaseKey), r.Cell(PrgField::BasePan),
                                       r.Cell(PrgField::Attack), r.Cell(PrgField::LoopStart),
                                       r.Cell(PrgField::Bits), r.Cell(PrgField::Channels),
                                       r.Cell(PrgField::Rate)}),
            (std::vector<std::string>{"c#5", "64", "1.00", "-1", "8", "2", "22050"}));
  EXPECT_EQ(FormatPrgDocument(d),
            "# piano layers\r\n  # indented\r\n"
            "c0-b4 PIANO c5 100 64 100 0 0 0 2 0 5 1.00 0.80 -0.10 -2.00 10 100 0 999 -1 -1 16 1 44100 \r\n"
            "c5 STR c#5 100 64 100 0 0 0 2 0 5 1.00 0.80 -0.10 -2.00 10 100 0 999 -1 500 8 2 22050 \r\n"
            "#last words\r\n");
  // What the editor writes, the converter reads.
  for (const std::string& row : {FormatPrgLine(LineOfRow(d.rows[0])), FormatPrgLine(LineOfRow(d.rows[1]))})
    EXPECT_EQ(ReadPrgLine(row).kind, PrgLineReading::Kind::Definition) << row;

  // Cancel on a warning ends the load without a message of its own.
  const PrgDocumentLoad cancelled = s.Load(text, {Answer::Ok, Answer::Cancel});
  EXPECT_FALSE(cancelled.loaded);
  EXPECT_EQ(cancelled.message, "");
  EXPECT_EQ(s.asked.size(), 2u);

  // Only comments: one empty row holds them, and writing gives them back.
  const PrgDocumentLoad comments = s.Load("# nothing yet\r\n");
  ASSERT_TRUE(comments.loaded);
  ASSERT_EQ(comments.document.rows.size(), 1u);
  EXPECT_TRUE(comments.document.rows[0].Empty());
  EXPECT_EQ(FormatPrgDocument(comments.document), "# nothing yet\r\n");
}

TEST(PrgDocument, EachLoadingMessage) {
  Studio s;
  ts::WriteText(s.dir.File("TEXT.WAV"), "not a wave file at all, just text that is long enough");
  ts::WriteWav(s.dir.File("FAST.WAV"), {48000, 16, 1}, {0, 0});
  const std::string wav = s.dir.Dir();
  struct Case {
    std::string line;
    std::string message;
  } cases[] = {
      {Line([](ts::PrgFields& f) { f.range = "c4-g#10"; }), "Illegal Key range: c4-g#10"},
      {Line([](ts::PrgFields& f) { f.range = "g5-f5"; }), "Illegal Key range: g5-f5"},
      {"c4", "Key range c4. Error reading WAV filename: "},
      {Line([](ts::PrgFields& f) { f.wav = "ABCDEFGHI.WAV"; }),
       "Key range c0-g10. WAV filename too long: ABCDEFGHI"},
      {Line([](ts::PrgFields& f) { f.wav = "NONE"; }),
       "Key range c0-g10. Can't find WAV file " + wav + "NONE.WAV"},
      {Line([](ts::PrgFields& f) { f.wav = "TEXT"; }),
       "Key range c0-g10. Not a WAV file: " + wav + "TEXT.WAV"},
      {Line([](ts::PrgFields& f) { f.wav = "FAST"; }),
       "Key range c0-g10. Unsupported sampling rate (48000 Hz) in WAV file " + wav + "FAST.WAV"},
      {"c4 PIANO", "Key range c4. Error reading Base key!"},
      {Line([](ts::PrgFields& f) { f.base = "c4-c5"; }), "Key range c0-g10. Illegal Base key: c4-c5"},
      {Line([](ts::PrgFields& f) { f.base = "a10"; }), "Key range c0-g10. Illegal Base key: a10"},
      {Line([](ts::PrgFields& f) { f.volume = "0.4"; }), "Key range c0-g10. Illegal Base volume: 0.4"},
      {Line([](ts::PrgFields& f) { f.pan = "127.2"; }), "Key range c0-g10. Illegal Base pan: 127.2"},
      {Line([](ts::PrgFields& f) { f.pressure = "-101"; }),
       "Key range c0-g10. Illegal Pressure sens.: -101"},
      {Line([](ts::PrgFields& f) { f.modSens = "x"; }), "Key range c0-g10. Illegal Mod. sens.: x"},
      {Line([](ts::PrgFields& f) { f.attack = "-0.5"; }), "Key range c0-g10. Illegal Attack: -0.5"},
      {Line([](ts::PrgFields& f) { f.end = "-1"; }), "Key range c0-g10. Illegal End sample: -1"},
      {Line([](ts::PrgFields& f) { f.loopStart = "1000"; }),
       "Key range c0-g10. Illegal Loop start sample: 1000"},
      {Line([](ts::PrgFields& f) { f.loopStart = "500"; f.loopEnd = "400"; }),
       "Key range c0-g10. Illegal Loop end sample: 400"},
      {Line([](ts::PrgFields& f) { f.loopStart = "5"; f.loopEnd = "400"; f.releaseSlope = "0"; }),
       "Key range c0-g10. Looped release must have negative slope!"},
      {"c4 PIANO c4 1 2 3 4 5 6 7 8 9 1 1 1 -1 0 0 0 5 -1",
       "Key range c4. Error reading Loop end position!"},
      {"c4 PIANO c4 1 2 3 4 5 6 7 8 9 1 1 1 -1 0 0 0 5 -1 -1 16 1",
       "Key range c4. Error reading Sampling rate!"},
      {"   ", "Error reading Key range!"},
  };
  for (const Case& c : cases) {
    const PrgDocumentLoad load = s.Load("# before\r\n" + c.line + "\r\n");
    EXPECT_FALSE(load.loaded) << c.line;
    EXPECT_EQ(load.message, c.message) << c.line;
  }
  const PrgDocumentLoad missing = LoadPrgDocument(s.dir.File("none.PRG"), wav);
  EXPECT_EQ(missing.message, "Can't open PRG file!");
}

TEST(PrgDocument, CellsAreCheckedAndWrittenInTheirNormalForm) {
  Studio s;
  const PrgDocumentLoad load = s.Load(Line([](ts::PrgFields& f) {
    f.range = "c4-g4";
    f.loopStart = "100";
    f.loopEnd = "500";
  }));
  ASSERT_TRUE(load.loaded) << load.message;
  const PrgRow row = load.document.rows[0];
  struct Case {
    PrgField field;
    const char* typed;
    const char* shown;  // the cell afterwards, or the message when `fails`
    bool fails = false;
  } cases[] = {
      {PrgField::KeyRange, "C4-C4", "c4"},
      {PrgField::KeyRange, "c4-a10", "Illegal Key range: c4-a10", true},
      {PrgField::KeyRange, "", "Error reading Key range!", true},
      {PrgField::BaseKey, "F#3", "f#3"},
      {PrgField::BaseKey, "b10", "Illegal Base key: b10", true},
      {PrgField::BaseVolume, "99.5", "100"},
      {PrgField::BasePan, " 300 ", "Illegal Base pan: 300", true},
      {PrgField::BasePan, "$40", "64"},
      {PrgField::BendRange, "", "Error reading Bend range!", true},
      {PrgField::Attack, "0.125", "0.13"},
      {PrgField::SustainSlope, "-1e-3", "0.00"},
      {PrgField::ReleaseSlope, "1", "Looped release must have negative slope!", true},
      {PrgField::StartSample, "200", "Illegal Start sample: 200", true},  // past the loop start
      {PrgField::EndSample, "400", "Illegal End sample: 400", true},      // before the loop end
      {PrgField::LoopEnd, "50", "Illegal Loop end sample: 50", true},
      {PrgField::LoopStart, "1000", "Illegal Loop start sample: 1000", true},
      {PrgField::AttackLength, "2.5", "3"},
  };
  for (const Case& c : cases) {
    const CellEdit edit = EditCell(row, ColumnOfField(c.field), c.typed, s.dir.Dir());
    if (c.fails) {
      EXPECT_EQ(edit.message, c.shown) << c.typed;
      EXPECT_EQ(edit.row, row) << c.typed;
    } else {
      EXPECT_EQ(edit.message, "") << c.typed;
      EXPECT_EQ(edit.row.Cell(c.field), c.shown) << c.typed;
    }
  }
  // A negative loop point clears both; a loop start past the loop end takes it along.
  CellEdit edit = EditCell(row, ColumnOfField(PrgField::LoopEnd), "-7", s.dir.Dir());
  EXPECT_EQ(edit.row.Cell(PrgField::LoopStart) + " " + edit.row.Cell(PrgField::LoopEnd), "-1 -1");
  edit = EditCell(row, ColumnOfField(PrgField::LoopStart), "600", s.dir.Dir());
  EXPECT_EQ(edit.row.Cell(PrgField::LoopStart) + " " + edit.row.Cell(PrgField::LoopEnd), "600 600");
  // A sample name brings its file's format.
  edit = EditCell(row, ColumnOfField(PrgField::WavFile), "str.wav", s.dir.Dir());
  EXPECT_EQ(edit.message, "");
  EXPECT_EQ(edit.row.Cell(PrgField::WavFile) + " " + edit.row.Cell(PrgField::Bits) + " " +
                edit.row.Cell(PrgField::Channels) + " " + edit.row.Cell(PrgField::Rate),
            "STR 8 2 22050");
  edit = EditCell(row, ColumnOfField(PrgField::WavFile), "gone", s.dir.Dir());
  EXPECT_EQ(edit.message, "Can't find WAV file " + s.dir.Dir() + "GONE.WAV");
  // The informational cells are not edited.
  EXPECT_EQ(EditCell(row, ColumnOfField(PrgField::Bits), "8", s.dir.Dir()).row, row);
}

TEST(PrgDocument, CopyToAllSameBaseKeyAndSameKey) {
  Studio s;
  std::string text;
  for (const char* range : {"c4-g4", "g4-c5", "c3-c4", "a5"}) {
    ts::PrgFields f;
    f.range = range;
    f.base = std::string(range) == "a5" ? "a5" : "c5";
    text += f.Line() + "\r\n";
  }
  const PrgDocumentLoad load = s.Load(text);
  ASSERT_TRUE(load.loaded) << load.message;
  const PrgDocument d = load.document;
  EXPECT_EQ(CopyTargetRows(d, 0, CopyTargets::All), (std::vector<size_t>{1, 2, 3}));
  EXPECT_EQ(CopyTargetRows(d, 0, CopyTargets::SameBaseKey), (std::vector<size_t>{1, 2}));
  EXPECT_EQ(CopyTargetRows(d, 0, CopyTargets::SameKey), (std::vector<size_t>{1, 2}));
  EXPECT_EQ(CopyTargetRows(d, 3, CopyTargets::SameKey), (std::vector<size_t>{}));

  PrgDocument copy = d;
  copy.rows[0].Cell(PrgField::WavFile) = "STR";
  EXPECT_EQ(CopyCell(copy, 0, ColumnOfField(PrgField::WavFile), CopyTargets::All, s.dir.Dir()), "");
  for (size_t r = 1; r < 4; ++r)
    EXPECT_EQ(copy.rows[r].Cell(PrgField::WavFile) + copy.rows[r].Cell(PrgField::Rate), "STR22050");

  // A loop start that one row cannot take copies nowhere.
  copy = d;
  copy.rows[1].Cell(PrgField::EndSample) = "99";
  copy.rows[0].Cell(PrgField::LoopStart) = "200";
  EXPECT_EQ(CopyCell(copy, 0, ColumnOfField(PrgField::LoopStart), CopyTargets::All, s.dir.Dir()),
            "Key range g4-c5. Illegal Loop start sample: 200");
  EXPECT_EQ(copy.rows[2], d.rows[2]);
  EXPECT_FALSE(CopyAllowed(ColumnOfField(PrgField::BaseKey)));
  EXPECT_FALSE(CopyAllowed(ColumnOfField(PrgField::Rate)));
  EXPECT_TRUE(CopyAllowed(ColumnOfField(PrgField::Attack)));
}

TEST(PrgDocument, ImportFromTheViewerAndSaving) {
  const int attackLength = ColumnOfField(PrgField::AttackLength);
  const int start = ColumnOfField(PrgField::StartSample), loopEnd = ColumnOfField(PrgField::LoopEnd);
  std::string message;
  // In samples at 44.1 frames per ms: 441 frames are 10 ms.
  EXPECT_EQ(ImportedText(attackLength, 100, 541, false, 44.1, message), "10");
  EXPECT_EQ(ImportedText(attackLength, 2.5, 12.5, true, 44.1, message), "10");
  EXPECT_EQ(ImportedText(start, 10, 20, true, 44.1, message), "441");
  EXPECT_EQ(ImportedText(loopEnd, 100, 541, false, 44.1, message), "541");
  EXPECT_EQ(ImportedText(ColumnOfField(PrgField::Attack), 1, 2, false, 1, message), std::nullopt);
  EXPECT_EQ(ImportedText(start, 20, 10, false, 1, message), std::nullopt);
  EXPECT_EQ(message, "Invalid WAView range!");

  Studio s;
  PrgDocument d;
  d.rows.resize(2);
  d.rows[0].comments = {"first"};
  PrgLine plain;
  plain.wavName = "PIANO";
  d.rows[1] = RowOfLine(plain);
  d.rows[1].Cell(PrgField::BasePan).clear();
  const std::optional<IncompleteCell> incomplete = FirstIncompleteCell(d);
  ASSERT_TRUE(incomplete);
  EXPECT_EQ(incomplete->row, 1u);
  EXPECT_EQ(incomplete->message, "Key range c0. Error reading Base pan!");
  d.rows[1].Cell(PrgField::BasePan) = "5";
  EXPECT_FALSE(FirstIncompleteCell(d));
  EXPECT_FALSE(SavePrgDocument(s.Prg(), d));
  EXPECT_EQ(ts::ReadBytes(s.Prg()).size(), FormatPrgDocument(d).size());
  const std::optional<Problem> failed = SavePrgDocument(s.dir.File("no/such/1.PRG"), d);
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->message, "Can't write PRG file!");
}

TEST(SamplePlayer, LayersAndTheOneNoteList) {
  std::vector<PrgLine> rows(8);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].wavName = "S" + std::to_string(i);
    rows[i].keyLow = i == 2 ? 70 : 50;
    rows[i].keyHigh = i == 2 ? 80 : 60;
  }
  std::vector<PrgLine> layers = LayersForNote(rows, 2, true, 60);
  ASSERT_EQ(layers.size(), 6u);  // rows 0, 1, 3, 4, 5, 6: the seventh match stays out
  EXPECT_EQ(layers[2].wavName, "S3");
  EXPECT_EQ(layers[5].wavName, "S6");
  EXPECT_TRUE(LayersForNote(rows, 2, true, 90).empty());
  EXPECT_EQ(LayersForNote(rows, 2, false, 90).at(0).wavName, "S2");

  PlayedNote note;
  note.key = 131;
  note.duration = 1500;
  note.attack = 100;
  note.release = 10;
  const std::string instrument = InstrumentLine(rows[0]);
  EXPECT_EQ(OneNoteList({rows[0]}, note),
            "1500\r\n{\r\n" + instrument + "\r\n[\r\n131\r\n0 ON 100\r\n1500 OFF 10\r\n]\r\n}\r\n");
  note.pressure = 65;
  note.modulation = 1;
  EXPECT_EQ(OneNoteList({rows[0], rows[1]}, note),
            "1500\r\n{\r\n" + instrument + "\r\n[\r\n131\r\n0 ON 100\r\n0 PRS 65\r\n0 MOD 1\r\n1500 OFF 10\r\n]\r\n}\r\n"
            "{\r\n" + InstrumentLine(rows[1]) + "\r\n[\r\n131\r\n0 ON 100\r\n0 PRS 65\r\n0 MOD 1\r\n1500 OFF 10\r\n]\r\n}\r\n");

  EXPECT_EQ(PlayerFieldText(kDurationField, "99.5"), "100");
  EXPECT_EQ(PlayerFieldText(kDurationField, "0.9"), std::nullopt);
  EXPECT_EQ(PlayerFieldText(kAttackField, "127.5"), std::nullopt);
  EXPECT_EQ(OctaveOfText("10"), 10);
  EXPECT_EQ(OctaveOfText("11"), std::nullopt);
  EXPECT_EQ(KeyInOctave(KeyOfNoteText("B4"), 10), 131);
  EXPECT_EQ(KeyOfNoteText("h4"), -1);
  EXPECT_STREQ(kIllegalNoteMessage, "Illegal note code!");
  EXPECT_STREQ(kIllegalOctaveMessage, "Illegal octave number!");
  EXPECT_STREQ(kDurationField.message, "Illegal Duration!");

  Studio s;
  PrgLine piano;
  piano.wavName = "PIANO";
  const std::optional<Problem> own = CheckPlayerOutput(s.dir.File("PIANO.WAV"), {piano}, s.dir.Dir());
  ASSERT_TRUE(own);
  EXPECT_EQ(own->message, "Can't overwrite sample file " + s.dir.Dir() + "PIANO.WAV!");
  EXPECT_FALSE(CheckPlayerOutput(s.dir.File("Temp.WAV"), {piano}, s.dir.Dir()));
}

}  // namespace
}  // namespace tonemill
