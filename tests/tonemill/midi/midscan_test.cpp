#include "tonemill/midi/midscan.h"
#include "tonemill/ops/midiutils.h"

#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

namespace tonemill {
namespace {

using testing_support::MidiFile;
using testing_support::MidiTrack;
using Bytes = std::vector<uint8_t>;

struct Listed {
  std::string text;
  std::optional<Problem> problem;
};

Listed List(const Bytes& file, ops::ListingForm form = ops::ListingForm::Text) {
  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("in.mid"), file);
  Listed l;
  l.problem = ops::ListMidi(dir.File("in.mid"), "MID/Song.MID", form, [&](const std::string& t) {
    l.text += t;
    return true;
  });
  return l;
}

Bytes RichSong() {
  MidiTrack conductor, music, sysex;
  conductor.Delta(0).Raw({0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}).Tempo(0, 500000).EndOfTrack();
  for (int key = 70; key >= 60; --key) music.NoteOn(1, 1, key, 90).NoteOff(1, 1, key);
  for (int key = 60; key <= 67; ++key) music.KeyPressure(1, 1, key, 10);
  music.Program(0, 1, 127).Program(0, 1, 0).Controller(0, 1, 64, 0).Controller(0, 1, 7, 90)
      .Controller(0, 1, 3, 1).Bend(0, 1, 5).ChannelPressure(0, 1, 3)
      .Program(0, 10, 25).Program(0, 10, 1).NoteOn(0, 10, 36, 1)
      .Delta(0).Raw({0xF7, 0x01, 0x00}).EndOfTrack();
  sysex.Delta(0).Raw({0xF0, 0x02, 0x7E, 0xF7}).EndOfTrack();
  return MidiFile(1, 96, {conductor, music, sysex});
}

TEST(MidiListing, ReportToTheBlank) {
  const Listed l = List(RichSong());
  ASSERT_FALSE(l.problem) << l.problem->Text();
  const std::string i = "             ";
  EXPECT_EQ(l.text,
            "\r\n   File MID/Song.MID is MIDI Level 1.\r\n"
            "\r\n   Track: 1 (3)   (Default Time Signature/Tempo track)\r\n"
            "\r\n" + i + "Time signature\r\n" + i + "Tempo\r\n"
            "\r\n"
            "\r\n   Track: 2 (3)\r\n"
            "\r\n"
            "      Channel:  1 \r\n\r\n" +
            i + "   c5   c#5    d5   d#5    e5    f5   f#5    g5   g#5 \r\n" +
            i + "   a5   a#5 \r\n\r\n" +
            i + "Polyphonic pressure:       c5   c#5    d5   d#5    e5    f5 \r\n" +
            i + "  f#5    g5 \r\n\r\n" +
            i + "Program   0 (GM: Piano 1)\r\n" + i + "Program 127 (GM: Gun Shot)\r\n\r\n" +
            i + "Controller   3 \r\n" + i + "Controller   7 (volume)\r\n" +
            i + "Controller  64 (hold 1)\r\n\r\n" +
            i + "Pitch bend\r\n\r\n" + i + "Channel pressure\r\n\r\n"
            "      Channel:  8 \r\n\r\n" + i + "System exclusive\r\n\r\n"
            "      Channel: 10 (Default GM Drums Channel)\r\n\r\n" +
            i + "   c3 \r\n\r\n" +
            i + "Program   1 \r\n" + i + "Program  25 (SC: TR-808 Set)\r\n\r\n"
            "\r\n   Track: 3 (3)\r\n"
            "\r\n"
            "      Channel:  1 \r\n\r\n" + i + "System exclusive\r\n\r\n");
}

TEST(MidiListing, NamesAndFormatZero) {
  const struct {
    int program;
    std::string drumSet;
  } sets[] = {{0, "(SC: Standard Set)"}, {8, "(SC: Room Set)"}, {16, "(SC: Power Set)"},
              {24, "(SC: Electronic Set)"}, {25, "(SC: TR-808 Set)"}, {32, "(SC: Jazz Set)"},
              {40, "(SC: Brush Set)"}, {48, "(SC: Orchestra Set)"}, {1, ""}, {127, ""}};
  for (const auto& s : sets) EXPECT_EQ(DrumSetName(s.program), s.drumSet);
  EXPECT_STREQ(ToneName(3), "Honky-tonk piano");
  EXPECT_STREQ(ToneName(86), "5th Saw Wave");
  EXPECT_EQ(ControllerName(38), "(data entry)");
  EXPECT_EQ(ControllerName(122), "");

  MidiTrack only;
  only.NoteOn(0, 2, 0, 1).NoteOn(0, 2, 127, 1).EndOfTrack();
  EXPECT_EQ(List(MidiFile(0, 96, {only})).text,
            "\r\n   File MID/Song.MID is MIDI Level 0.\r\n\r\n   Track: 1 (1)\r\n\r\n"
            "      Channel:  2 \r\n\r\n                c0   g10 \r\n\r\n");
  EXPECT_EQ(List(MidiFile(0, 96, {MidiTrack().Delta(0).Raw({0x91, 0xC3, 0x40}).EndOfTrack()})).text,
            "\r\n   File MID/Song.MID is MIDI Level 0.\r\n\r\n   Track: 1 (1)\r\n\r\n"
            "      Channel:  2 \r\n\r\n");
}

TEST(MidiListing, AScanErrorEndsTheReportAfterTheFailingTracksLine) {
  MidiTrack good;
  good.NoteOn(0, 1, 60, 1).EndOfTrack();
  Bytes truncated = MidiFile(1, 96, {good, good});
  truncated.resize(truncated.size() - 1);
  const Listed l = List(truncated);
  ASSERT_TRUE(l.problem);
  EXPECT_EQ(l.problem->message, "Premature data termination.");
  EXPECT_EQ(l.problem->reason, "track 2");
  EXPECT_EQ(l.text.substr(l.text.size() - 19), "\r\n   Track: 2 (2)\r\n");

  // Into a file the report is kept with what it shows; an existing one needs consent.
  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("in.mid"), truncated);
  const auto problem = ops::ProblemOf(ops::ListMidiToFile(dir.File("in.mid"), dir.File("MIDscan.TXT"),
                                                          ops::ListingForm::Text, Overwrite::Refuse));
  ASSERT_TRUE(problem);
  const Bytes report = testing_support::ReadBytes(dir.File("MIDscan.TXT"));
  EXPECT_EQ(std::string(report.begin(), report.end()), "\r\n   File " + dir.File("in.mid") +
            " is MIDI Level 1.\r\n" + l.text.substr(l.text.find("\r\n   Track: 1")));
  EXPECT_EQ(ops::ListMidiToFile(dir.File("in.mid"), dir.File("MIDscan.TXT"),
                                ops::ListingForm::Text, Overwrite::Refuse).problem.message,
            AppearedMeanwhileMessage(dir.File("MIDscan.TXT")));

  // Files refused before anything is written, in the listing's words.
  for (const auto& [bytes, message] : std::vector<std::pair<Bytes, std::string>>{
           {MidiFile(2, 96, {good}), "File is not MIDI Level 0 or Level 1."},
           {testing_support::MidiHeader(1, 1, 96), "Premature data termination."},
           {Bytes{'R', 'I', 'F', 'F'}, "Premature data termination."}}) {
    const Listed refused = List(bytes);
    EXPECT_EQ(refused.problem->message, message);
    EXPECT_EQ(refused.text, "");
  }
}

TEST(MidiListing, JsonCarriesTheSameFactsAndTheFailure) {
  MidiTrack t;
  // A note on of velocity 0 ends a note: two notes are played. The first name is the track's,
  // its Latin-1 bytes given as UTF-8.
  t.Delta(0).Raw({0xFF, 0x03, 4, 'B', 0xE4, 's', 's'}).Delta(0).Raw({0xFF, 0x03, 1, 'X'});
  t.Program(0, 10, 25).Controller(0, 10, 3, 1).NoteOn(0, 10, 61, 1).NoteOn(10, 10, 61, 0)
      .NoteOn(0, 10, 61, 90).EndOfTrack();
  EXPECT_EQ(List(MidiFile(0, 96, {t}), ops::ListingForm::Json).text,
            "{\"file\": \"MID/Song.MID\", \"format\": 0, \"trackCount\": 1, \"tracks\": [\n"
            "  {\"track\": 1, \"defaultTimeSignatureTempoTrack\": false, \"timeSignature\": false, "
            "\"tempo\": false, \"name\": \"B\xC3\xA4ss\", \"channels\": [\n"
            "    {\"channel\": 10, \"notes\": [{\"key\": 61, \"name\": \"c#5\"}], "
            "\"polyphonicPressure\": [], \"programs\": [{\"program\": 25, \"name\": \"TR-808 Set\"}], "
            "\"controllers\": [{\"controller\": 3, \"name\": null}], \"pitchBend\": false, "
            "\"channelPressure\": false, \"systemExclusive\": false, \"noteCount\": 2}\n  ]}\n]}\n");
  Bytes truncated = MidiFile(1, 96, {t, t});
  truncated.resize(truncated.size() - 1);
  const std::string failed = List(truncated, ops::ListingForm::Json).text;
  const std::string end =
      "}\n  ]}\n], \"error\": {\"message\": \"Premature data termination.\", \"track\": 2}}\n";
  EXPECT_EQ(failed.substr(failed.size() - end.size()), end);
  EXPECT_EQ(failed.find("\"track\": 2,"), std::string::npos);
  EXPECT_EQ(JsonString("a\"b\\c\x01\xC3\xA9"), "\"a\\\"b\\\\c\\u0001\xC3\xA9\"");
}

}  // namespace
}  // namespace tonemill
