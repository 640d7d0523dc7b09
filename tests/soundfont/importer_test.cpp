// Whole imports into directories: the PRG lines' form, the converter's checks on every line,
// valid samples, and consent before anything is replaced.
#include "tests/soundfont/prgcheck.h"
#include "tests/soundfont/sf2builder.h"
#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"
#include "tonemill/soundfont/importer.h"
#include "tonemill/soundfont/prgwriter.h"
#include "tonemill/midi/midtolst.h"
#include "tonemill/render/songrender.h"
#include "tonemill/soundfont/sf2file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using namespace tonemill::soundfont;
using namespace testing_support;

namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  std::string text(bytes.begin(), bytes.end()), line;
  std::vector<std::string> lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      EXPECT_EQ(text[i + 1], '\n') << path;
      lines.push_back(line);
      line.clear();
      ++i;
    } else {
      EXPECT_NE(text[i], '\n') << "bare LF in " << path;
      line += text[i];
    }
  }
  EXPECT_TRUE(line.empty()) << "last line without CR LF in " << path;
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string f; in >> f;) fields.push_back(f);
  return fields;
}

// Every definition line of every PRG file passes the converter's checks, has 25 fields each
// followed by one blank, and names a valid 16-bit WAV file of a rate the renderer takes whose
// frames cover the line's positions. Returns the number of definition lines.
int CheckImport(const std::string& prgDir, const std::string& wavDir) {
  int definitions = 0;
  for (const auto& entry : std::filesystem::directory_iterator(prgDir)) {
    for (const std::string& line : Lines(entry.path().string())) {
      if (line.rfind("# ", 0) == 0) continue;
      ++definitions;
      EXPECT_EQ(CheckPrgLine(line), "") << line;
      EXPECT_EQ(line.back(), ' ');
      EXPECT_EQ(line.find("  "), std::string::npos) << line;
      const std::vector<std::string> f = Fields(line);
      EXPECT_EQ(f.size(), 25u) << line;
      if (f.size() != 25) continue;
      const WavData w = ReadWav(wavDir + "/" + f[1] + ".WAV");
      EXPECT_EQ(w.bits, 16);
      EXPECT_TRUE(w.rate == 11025 || w.rate == 22050 || w.rate == 44100) << w.rate;
      EXPECT_EQ(std::to_string(w.bits), f[22]);
      EXPECT_EQ(std::to_string(w.channels), f[23]);
      EXPECT_EQ(std::to_string(w.rate), f[24]);
      const long frames = long(w.samples.size()) / w.channels;
      if (std::stol(f[18]) == frames) {  // a muted layer: one frame past the end
        EXPECT_EQ(std::stol(f[19]), frames) << line;
        EXPECT_EQ(f[20], "-1") << line;
        continue;
      }
      EXPECT_EQ(std::stol(f[19]), frames - 1) << line;  // the end sample is the last frame
      EXPECT_LE(std::stol(f[21]), frames - 1) << line;
    }
  }
  return definitions;
}

Sf2Builder TwoPresetBank() {
  Sf2Builder b;
  b.samples = {SineSample("Tone C4", 3000, 84, 2000, 2840, 32000), SineSample("Hit", 1500, 20)};
  b.instruments.push_back({"Tone", {{{{34, Amount(-3000)}, {36, 2000}, {37, 300}, {38, Amount(-1200)}, {54, 1}, {53, 0}}, {}}}});
  b.instruments.push_back({"Kit", {{{{43, Range(35, 40)}, {48, 60}, {53, 1}}, {}}}});
  b.presets.push_back({"Tone", 5, 0, {{{{41, 0}}, {}}}});
  b.presets.push_back({"Kit", 0, 128, {{{{41, 1}}, {}}}});
  return b;
}

}  // namespace

TEST(PrgWriter, TheEditorsLineForm) {
  PrgLine l;
  l.keyLow = 49;
  l.keyHigh = 62;
  l.wavName = "PIANOC4";
  l.baseKey = 60;
  l.baseVolume = 182;
  l.basePan = 127;
  l.velocitySensitivity = 64;
  l.releaseSensitivity = 50;
  l.modulationSensitivity = 3;
  l.modulationRate = 8;
  l.decayFactor = 0.315;
  l.sustainSlope = -0.0001;
  l.releaseSlope = -2.5;
  l.attackLength = 2;
  l.decayLength = 300;
  l.endSample = 4199;
  l.loopStart = 3000;
  l.loopEnd = 4199;
  l.channels = 2;
  EXPECT_EQ(FormatPrgLine(l),
            "c#4-d5 PIANOC4 c5 182 127 64 0 0 50 2 3 8 1.00 0.32 0.00 -2.50 2 300 0 4199 3000 "
            "4199 16 2 44100 ");
  EXPECT_EQ(CheckPrgLine(FormatPrgLine(l)), "");
  EXPECT_EQ(KeyRangeText(127, 127), "g10");
}

TEST(PrgWriter, TheCheckerCatchesWhatTheConverterRefuses) {
  const std::string good = "c4 NAME c4 64 64 64 0 0 50 2 3 8 1.00 0.50 0.00 -1.00 2 300 0 999 100 999 16 1 44100 ";
  EXPECT_EQ(CheckPrgLine(good), "");
  EXPECT_EQ(CheckPrgLine("c4 NAME c4 64 64 64 0 0 50 2 3 8 1.00 0.50 0.00 0.00 2 300 0 999 100 999 16 1 44100 "),
            "Illegal release slope.");
  EXPECT_EQ(CheckPrgLine("c4 NINECHARS c4 64 64 64 0 0 50 2 3 8 1.00 0.50 0.00 -1 2 300 0 999 -1 -1 "),
            "Illegal WAV filename.");
  EXPECT_EQ(CheckPrgLine("g5-f5 NAME c4 64 64 64 0 0 50 2 3 8 1 1 0 -1 2 300 0 999 -1 -1"), "Illegal key range code.");
  EXPECT_EQ(CheckPrgLine("c4 NAME c4 64 64 64 0 0 50 2 3 8 1 1 0 -1 2 300 0 999 100 1000"), "Illegal loop end position.");
  EXPECT_EQ(CheckPrgLine("c4 NAME c4 64 300 64 0 0 50 2 3 8 1 1 0 -1 2 300 0 999 -1 -1"), "Illegal base panpot.");
}

TEST(Importer, WritesCheckedPrgFilesAndSamples) {
  TempDir dir;
  const std::string bank = dir.File("test.sf2");
  WriteBytes(bank, TwoPresetBank().Build());
  ImportSettings settings{bank, dir.File("prg"), dir.File("wav"), 44100, false};
  ImportSummary s = ImportSoundFont(settings);
  EXPECT_EQ(s.programs, 128);  // one preset, and 127 stand-ins for it
  EXPECT_EQ(s.drumKits, 128);
  EXPECT_EQ(s.standInPrograms, 127);
  EXPECT_EQ(s.standInKits, 127);
  EXPECT_EQ(s.samplesWritten, 2);
  EXPECT_TRUE(s.warnings.empty());
  // The kit's keys outside 35-40 are muted, below and above: three lines in each kit.
  EXPECT_EQ(CheckImport(dir.File("prg"), dir.File("wav")), 128 * 1 + 128 * 3);
  const std::vector<std::string> tone = Lines(dir.File("prg/5.PRG"));
  ASSERT_EQ(tone.size(), 2u);
  EXPECT_EQ(tone[0], "# Imported from test.sf2: preset 'Tone', bank 0, program 5");
  EXPECT_EQ(Fields(tone[1])[0], "c0-g10");
  EXPECT_EQ(Fields(tone[1])[1], "TONEC4");
  EXPECT_EQ(Fields(tone[1])[24], "44100");  // converted from 32000 Hz
  const std::vector<std::string> kit = Lines(dir.File("prg/D0.PRG"));
  EXPECT_EQ(Fields(kit[2])[0], "b2-e3");
  EXPECT_EQ(Fields(kit[2])[20], "-1");  // no loop
  EXPECT_EQ(Fields(kit[3])[0], "c0-a#2");
  EXPECT_EQ(Fields(kit[4])[0], "f3-g10");
}

// A song may select any kit and any program: those the bank lacks play a stand-in built from
// the same samples.
TEST(Importer, ASongSelectingWhatTheBankLacksConverts) {
  TempDir dir;
  WriteBytes(dir.File("test.sf2"), TwoPresetBank().Build());  // program 5 and kit 0 only
  ImportSoundFont({dir.File("test.sf2"), dir.File("prg"), dir.File("wav"), 44100, false});
  const std::vector<std::string> kit = Lines(dir.File("prg/D25.PRG")), ownKit = Lines(dir.File("prg/D0.PRG"));
  ASSERT_EQ(kit.size(), 6u);
  EXPECT_EQ(kit[1], "# The bank has no kit 25; this plays the standard kit 0");
  // The definitions are the source's own, naming the same two sample files and no copies.
  EXPECT_TRUE(std::equal(kit.begin() + 3, kit.end(), ownKit.begin() + 2, ownKit.end()));
  EXPECT_EQ(Lines(dir.File("prg/99.PRG")).back(), Lines(dir.File("prg/5.PRG")).back());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("wav")), {}), 2);

  MidiTrack track;
  track.Program(0, 10, 25).NoteOn(0, 10, 36, 100).NoteOff(240, 10, 36).NoteOn(0, 10, 70, 100).NoteOff(240, 10, 70);
  track.Program(0, 1, 99).NoteOn(0, 1, 60, 100).NoteOff(480, 1, 60).EndOfTrack();
  WriteBytes(dir.File("song.mid"), MidiFile(0, 480, {track}));
  const tonemill::MidToLstResult r =
      tonemill::MIDtoLST(dir.File("song.mid"), dir.File("song.lst"), dir.File("prg"), {{-1, 10}});
  EXPECT_TRUE(r.written) << r.message;
  EXPECT_EQ(r.notes, 3);
}

// A cancel between samples: the samples made so far are whole files, no PRG file is written,
// and the next import reuses those samples.
TEST(Importer, ACancelStopsBetweenSamples) {
  struct CancelAt {
    tonemill::Progress progress;
    int32_t at = 0;
    int pumps = 0;
  };
  for (int32_t at : {0, 1}) {
    TempDir dir;
    WriteBytes(dir.File("test.sf2"), TwoPresetBank().Build());
    ImportSettings settings{dir.File("test.sf2"), dir.File("prg"), dir.File("wav"), 44100, false};
    CancelAt state;
    state.at = at;
    state.progress.pump = [](void* context) {
      auto* c = static_cast<CancelAt*>(context);
      ++c->pumps;
      if (c->progress.done == c->at) c->progress.Cancel();
    };
    state.progress.pumpContext = &state;
    const ImportSummary s = ImportSoundFont(settings, &state.progress);
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(state.pumps, at + 1);
    EXPECT_EQ(s.samplesWritten, at);
    EXPECT_EQ(s.programs + s.drumKits, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("prg")), {}), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("wav")), {}), at);

    tonemill::Progress progress;
    const ImportSummary again = ImportSoundFont(settings, &progress);
    EXPECT_FALSE(again.cancelled);
    EXPECT_EQ(again.samplesReused, at);  // found byte for byte as the full import makes them
    EXPECT_EQ(progress.done, 2);
    EXPECT_EQ(progress.total, 2);
    EXPECT_EQ(CheckImport(dir.File("prg"), dir.File("wav")), 512);
  }
}

TEST(Importer, ReplacesPrgFilesOnlyWithConsent) {
  TempDir dir;
  const std::string bank = dir.File("test.sf2");
  WriteBytes(bank, TwoPresetBank().Build());
  std::filesystem::create_directories(dir.File("prg"));
  WriteText(dir.File("prg/d0.prg"), "mine\r\n");
  ImportSettings settings{bank, dir.File("prg"), dir.File("wav"), 44100, false};
  try {
    ImportSoundFont(settings);
    FAIL() << "no refusal";
  } catch (const ImportError& e) {
    EXPECT_NE(std::string(e.what()).find("d0.prg"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("nothing was written"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("prg/5.PRG")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("wav")));
  settings.force = true;
  ImportSoundFont(settings);
  // Imported again: the samples are found as they are and not written twice.
  ImportSummary again = ImportSoundFont(settings);
  EXPECT_EQ(again.samplesWritten, 0);
  EXPECT_EQ(again.samplesReused, 2);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("wav")), {}), 2);
}

TEST(Importer, AMalformedBankWritesNothing) {
  TempDir dir;
  std::vector<uint8_t> bytes = TwoPresetBank().Build();
  bytes.resize(bytes.size() - 30);
  WriteBytes(dir.File("cut.sf2"), bytes);
  ImportSettings settings{dir.File("cut.sf2"), dir.File("prg"), dir.File("wav"), 44100, false};
  EXPECT_THROW(ImportSoundFont(settings), SoundFontError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("prg")));
  settings.bankPath = dir.File("missing.sf2");
  EXPECT_THROW(ImportSoundFont(settings), SoundFontError);
  settings.bankPath = dir.Dir();
  EXPECT_THROW(ImportSoundFont(settings), SoundFontError);
}

// The General MIDI bank that setup installs, when it is there.
TEST(Importer, TheDefaultBankBecomesAFullSet) {
  const std::string bank = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  if (!std::filesystem::exists(bank)) GTEST_SKIP() << bank << " is not installed";
  TempDir dir;
  ImportSettings settings{bank, dir.File("prg"), dir.File("wav"), 44100, false};
  ImportSummary s = ImportSoundFont(settings);
  EXPECT_EQ(s.programs, 128);
  EXPECT_EQ(s.drumKits, 128);
  EXPECT_EQ(s.standInPrograms, 0);
  EXPECT_GE(s.standInKits, 1);
  EXPECT_TRUE(std::filesystem::exists(dir.File("prg/D0.PRG")));
  EXPECT_GT(CheckImport(dir.File("prg"), dir.File("wav")), 1000);
}

// The renderer loops only in its sustain phase: an imported looped sample must still sound long
// after its frames (and the renderer's extra loop copies) would have run out in the decay.
TEST(Importer, LoopedSamplesSoundThroughALongDecay) {
  TempDir dir;
  Sf2Builder b;
  b.samples = {SineSample("Short", 2000, 100, 1000, 1800)};
  // A decay of 4 s (to -96 dB) towards silence, on keys up to an octave above the root.
  b.instruments.push_back({"I", {{{{43, Range(0, 72)}, {36, 2400}, {37, 1000}, {54, 1}, {53, 0}}, {}}}});
  b.presets.push_back({"P", 0, 0, {{{{41, 0}}, {}}}});
  WriteBytes(dir.File("b.sf2"), b.Build());
  ImportSoundFont({dir.File("b.sf2"), dir.File("prg"), dir.File("wav"), 44100, false});
  const std::vector<std::string> lines = Lines(dir.File("prg/0.PRG"));
  const std::vector<std::string> f =
      Fields(*std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] != '#'; }));
  std::string lst = "2000\r\n{\r\n" + f[1] + " 60";
  for (size_t i = 3; i < 22; ++i) lst += " " + f[i];
  lst += " \r\n[\r\n72\r\n0 ON 127\r\n0 VOL 127\r\n1900 OFF 64\r\n]\r\n}\r\n";
  WriteText(dir.File("song.lst"), lst);

  tonemill::SongRenderJob job;
  job.lstPath = dir.File("song.lst");
  job.wavPath = dir.File("song.wav");
  job.sampleDirectory = dir.Dir() + "wav/";
  job.format.channels = 1;
  tonemill::SongProgress progress;
  const tonemill::SongRenderResult r = tonemill::RenderSongList(job, progress, nullptr, nullptr);
  ASSERT_EQ(r.binding, tonemill::SongRenderResult::Binding::Called);
  ASSERT_EQ(r.status, 0);
  const WavData w = ReadWav(job.wavPath);
  auto peak = [&](double from, double to) {
    int32_t p = 0;
    for (size_t i = size_t(from * 44100); i < size_t(to * 44100) && i < w.samples.size(); ++i)
      p = std::max(p, std::abs(w.samples[i]));
    return p;
  };
  // The sample's frames and the renderer's copies of its loop last 0.1 s at this key; the fitted
  // decay reaches silence after about 0.6 s.
  EXPECT_GT(peak(0.0, 0.1), peak(0.3, 0.4));  // it decays
  EXPECT_GT(peak(0.3, 0.4), 300);             // and sounds on in the loop
}
