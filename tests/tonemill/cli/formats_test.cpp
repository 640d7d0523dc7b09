// The program's outputs beyond its own WAV files: other containers, standard output, and what
// `tonemill --version` says.
#include "songhome.h"

#include "tonemill/files/soundfile.h"

namespace {

using Formats = testing_support::SongHome;
using testing_support::ReadWav;

// The samples of any audio file, as 32-bit integers (the file's width at the top).
std::vector<int32_t> Decoded(const std::string& path, tonemill::AudioFormat& format) {
  std::string error;
  tonemill::SoundFile file = tonemill::SoundFile::OpenRead(path, error);
  EXPECT_TRUE(file.IsOpen()) << error;
  if (!file.IsOpen()) return {};
  format = file.Format();
  std::vector<int32_t> samples(size_t(file.Frames() + 1) * size_t(format.channels));
  samples.resize(file.Read(samples.data(), size_t(file.Frames() + 1)) * size_t(format.channels));
  return samples;
}

TEST_F(Formats, VersionGoesToStandardOutput) {
  ASSERT_EQ(Run("--version"), 0) << err;
  EXPECT_EQ(Text("out.txt"), std::string("tonemill ") + TONEMILL_VERSION + "\n");
  EXPECT_EQ(err, "");
}

TEST_F(Formats, SongsGoIntoTheContainerTheirNameOrFormatSays) {
  testing_support::WriteBytes(home_ + "MID/s.mid", Song());
  ASSERT_EQ(Run("render MID/s.mid -q --rate 22050 -o Song/s.wav"), 0) << err;
  tonemill::AudioFormat wavFormat;
  const std::vector<int32_t> wav = Decoded(home_ + "Song/s.wav", wavFormat);
  ASSERT_FALSE(wav.empty());
  const size_t frames = wav.size() / 2;

  const struct {
    const char* arguments;
    const char* file;
    bool lossless;
  } rows[] = {
      {"-o Song/s.flac", "Song/s.flac", true},
      {"-o Song/s.aif", "Song/s.aif", true},
      {"-o Song --format FLAC", "Song/s.flac", true},  // after the first, replaced with --force
      {"-o Song/s.ogg", "Song/s.ogg", false},
      {"-o Song/s.mp3", "Song/s.mp3", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments);
    ASSERT_EQ(Run(std::string("render MID/s.mid -q --rate 22050 --force ") + row.arguments), 0)
        << err;
    tonemill::AudioFormat format;
    const std::vector<int32_t> samples = Decoded(home_ + row.file, format);
    EXPECT_EQ(format.rate, 22050);
    EXPECT_EQ(format.channels, 2);
    if (row.lossless) {
      EXPECT_EQ(format.bits, 16);
      EXPECT_EQ(samples, wav);
    } else {
      EXPECT_GE(samples.size() / 2, frames);
      EXPECT_LE(samples.size() / 2, frames + 4608);
    }
  }
  // The lst2wav command takes the same.
  ASSERT_EQ(Run("lst2wav Temp/s.lst -q --rate 22050 --wav-dir WAV -o Song/l.flac"), 0) << err;
  tonemill::AudioFormat format;
  EXPECT_EQ(Decoded(home_ + "Song/l.flac", format), wav);
}

TEST_F(Formats, OutputsNoContainerTakesAreRefusedBeforeAnythingRuns) {
  testing_support::WriteBytes(home_ + "MID/s.mid", Song());
  testing_support::WriteWav(home_ + "Temp/in.wav", {22050, 16, 1}, std::vector<int32_t>(100, 5));
  const struct {
    const char* command;
    int exitCode;
    const char* message;
  } rows[] = {
      {"render MID/s.mid -o Song/s.opus", 1,
       "tonemill: Song/s.opus: Opus takes 8000, 12000, 16000, 24000 or 48000 Hz (not 44100 Hz); "
       "--rate 48000 would do\n"},
      {"render MID/s.mid -o Song/s.wma", 2,
       "tonemill: render: Song/s.wma: no audio format has the extension .wma; name the output "
       ".wav, .flac, .ogg, .opus, .mp3, .aif or .aiff, or give --format\n"},
      {"render MID/s.mid -o Song/s.wav --format wma", 2,
       "tonemill: render: --format takes wav, flac, ogg, opus, mp3 or aiff, not wma\n"},
      {"fade Temp/in.wav -o Temp/out.wav --format wma", 2,
       "tonemill: fade: --format takes wav, flac, ogg, opus, mp3 or aiff, not wma\n"},
      {"render MID/s.mid -o - --stems", 2,
       "tonemill: render: the stems are files of their own: -o - takes the song alone\n"},
      {"lst2wav none.lst -o x.wma", 2,
       "tonemill: lst2wav: x.wma: no audio format has the extension .wma; name the output "
       ".wav, .flac, .ogg, .opus, .mp3, .aif or .aiff, or give --format\n"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Run(row.command), row.exitCode) << row.command;
    EXPECT_EQ(err, row.message);
  }
  EXPECT_FALSE(std::filesystem::exists(home_ + "Temp/s.lst"));
  EXPECT_TRUE(std::filesystem::is_empty(home_ + "Song"));
}

// --resample: a rate the encoder refuses is converted to the nearest it takes, and said; the
// song is rendered at its own rate first.
TEST_F(Formats, ResampleConvertsForTheEncodersRates) {
  testing_support::WriteBytes(home_ + "MID/s.mid", Song());
  testing_support::WriteWav(home_ + "Temp/in.wav", {44100, 16, 1}, std::vector<int32_t>(44100, 3000));
  testing_support::WriteWav(home_ + "Temp/r96.wav", {96000, 16, 2}, std::vector<int32_t>(9600 * 2, -3000));
  const struct {
    const char* command;
    const char* output;
    int32_t rate;
    const char* said;
  } rows[] = {
      {"render MID/s.mid -q --rate 22050 --resample -o Song/s.opus", "Song/s.opus", 24000,
       "tonemill: Song/s.opus: Opus takes 8000, 12000, 16000, 24000 or 48000 Hz: converted from 22050 Hz to 24000 Hz\n"},
      {"render MID/s.mid -q --rate 96000 --resample -o Song/s.mp3", "Song/s.mp3", 48000,
       "tonemill: Song/s.mp3: MP3 takes 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100 or 48000 Hz: "
       "converted from 96000 Hz to 48000 Hz\n"},
      {"fade Temp/in.wav -q -o Temp/in.opus", nullptr, 0,
       "tonemill: fade: Temp/in.wav: Opus takes 8000, 12000, 16000, 24000 or 48000 Hz (not 44100 Hz); "
       "--resample converts it to 48000 Hz\n"},
      {"fade Temp/in.wav -q --resample -o Temp/in.opus", "Temp/in.opus", 48000,
       "tonemill: Temp/in.opus: Opus takes 8000, 12000, 16000, 24000 or 48000 Hz: converted from 44100 Hz to 48000 Hz\n"},
      {"echo Temp/r96.wav -q --resample -o Temp/r96.mp3", "Temp/r96.mp3", 48000,
       "tonemill: Temp/r96.mp3: MP3 takes 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100 or 48000 Hz: "
       "converted from 96000 Hz to 48000 Hz\n"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Run(row.command), row.output ? 0 : 1) << row.command;
    EXPECT_EQ(err, row.said) << row.command;
    if (!row.output) continue;
    tonemill::AudioFormat format;
    const std::vector<int32_t> samples = Decoded(home_ + row.output, format);
    EXPECT_EQ(format.rate, row.rate) << row.command;
    EXPECT_FALSE(samples.empty()) << row.command;
  }
  // The file's length carries over at the new rate (the fade of one second of 44100 Hz).
  tonemill::AudioFormat format;
  const size_t frames = Decoded(home_ + "Temp/in.opus", format).size();
  EXPECT_NEAR(double(frames), 48000.0, 48000 * 0.02);
}

// "-o -" writes the finished file to standard output and nothing else there; /dev/null takes
// the output and keeps nothing.
TEST_F(Formats, StandardOutputCarriesTheFinishedFile) {
  testing_support::WriteBytes(home_ + "MID/s.mid", Song());
  ASSERT_EQ(Run("render MID/s.mid -q -o Song/s.wav"), 0) << err;
  std::vector<int32_t> tone;
  for (int i = 0; i < 3000; ++i) tone.push_back((i * 53) % 4000 - 2000);
  testing_support::WriteWav(home_ + "t.wav", {22050, 16, 1}, tone);
  ASSERT_EQ(Run("lowpass t.wav -q -o low.wav"), 0) << err;
  ASSERT_EQ(Run("echo t.wav -q -o echo.wav"), 0) << err;

  const struct {
    const char* command;
    const char* sameAs;  // empty: compared as decoded samples with Song/s.wav
  } rows[] = {
      {"render MID/s.mid -o -", "Song/s.wav"},
      {"lst2wav Temp/s.lst --wav-dir WAV -o -", "Song/s.wav"},
      {"lowpass t.wav -o -", "low.wav"},
      {"echo t.wav -o -", "echo.wav"},
      // Standard input as the input: spooled, and named as given.
      {"lowpass - -o - < t.wav", "low.wav"},
      {"echo - -o - < t.wav", "echo.wav"},
      {"render - -o - < MID/s.mid", "Song/s.wav"},
      {"render MID/s.mid -q -o - --format flac", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.command);
    ASSERT_EQ(Run(row.command), 0) << err;
    EXPECT_FALSE(std::filesystem::exists(home_ + "-"));
    if (*row.sameAs) {
      EXPECT_EQ(Text("out.txt"), Text(row.sameAs));
      continue;
    }
    tonemill::AudioFormat a, b;
    EXPECT_EQ(Decoded(home_ + "out.txt", a), Decoded(home_ + "Song/s.wav", b));
  }
  for (const char* command : {"render MID/s.mid -q -o /dev/null", "lowpass t.wav -q -o /dev/null"}) {
    EXPECT_EQ(Run(command), 0) << command << ": " << err;
    EXPECT_EQ(Text("out.txt"), "");
  }
  // A MIDI file from standard input: named "-"; a command that would name its output after it
  // needs -o.
  EXPECT_EQ(Run("midscan --json - < MID/s.mid"), 0) << err;
  EXPECT_EQ(Text("out.txt").rfind("{\"file\": \"-\", ", 0), 0u) << Text("out.txt");
  EXPECT_EQ(Run("mid2lst - < MID/s.mid"), 2);
  EXPECT_EQ(err, "tonemill: mid2lst: with - as the MIDI file, name the output with -o\n");
  EXPECT_EQ(Run("midscan --json - < t.wav"), 1);
  EXPECT_EQ(err.rfind("tonemill: -: ", 0), 0u) << err;
  EXPECT_EQ(Run("lowpass - -q -o x.wav < /dev/null"), 1);
  EXPECT_EQ(err, "tonemill: -: File format error!\n");
  EXPECT_FALSE(std::filesystem::exists(home_ + "x.wav"));
}

}  // namespace
