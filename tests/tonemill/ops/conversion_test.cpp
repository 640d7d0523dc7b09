// The Convert dialog's rules without the dialog: the target each conversion proposes, which of
// them render a song, the conversion a file's extension selects, and the volume field.
#include "tonemill/ops/conversion.h"

#include <gtest/gtest.h>

namespace tonemill::ops {
namespace {

const ConversionDirectories kDirectories{"/m/MID", "/m/LST", "/m/Song", "/m/PRG", "/m/WAV", "/m/DFT"};

TEST(Conversion, ProposedTargetsAndWhatRendersASong) {
  const struct {
    Conversion conversion;
    const char* source;
    const char* target;
    bool rendersSong;
  } table[] = {
      {Conversion::MidToLst, "/x/Piano.Take2.mid", "/m/LST/piano.lst", false},
      {Conversion::LstToWav, "/x/Piano.Take2.mid", "/m/Song/piano.wav", true},
      {Conversion::MidToWav, "/x/Piano.Take2.mid", "/m/Song/piano.wav", true},
      {Conversion::Mid1To0, "/x/Piano.Take2.mid", "/m/MID/piano0.mid", false},
      {Conversion::WavToDft, "/x/Piano.Take2.mid", "/m/DFT/piano.dft", false},
      {Conversion::DftToWav, "/x/Piano.Take2.mid", "/m/WAV/piano.wav", false},
      // "MID 1 to 0": seven characters get "0", eight or more are cut to seven.
      {Conversion::Mid1To0, "/x/seventy.mid", "/m/MID/seventy0.mid", false},
      {Conversion::Mid1To0, "/x/longnames.mid", "/m/MID/longnam0.mid", false},
      // ... so that a name of eight ending in 0 proposes the source itself (the dialog refuses).
      {Conversion::Mid1To0, "/m/MID/abcdefg0.mid", "/m/MID/abcdefg0.mid", false},
  };
  for (const auto& row : table) {
    EXPECT_EQ(ProposedConversionTarget(row.conversion, row.source, kDirectories), row.target)
        << row.source;
    EXPECT_EQ(RendersSong(row.conversion), row.rendersSong) << row.target;
  }
  EXPECT_EQ(SongListForTarget("/m/LST", "/m/Song/Take.WAV"), "/m/LST/take.lst");
  EXPECT_EQ(MakeWavsListPath("/m/Temp"), "/m/Temp/Temp.LST");
  const SongFormat makeWavs = MakeWavsFormat();
  EXPECT_EQ(makeWavs.rate * 100 + makeWavs.bits * 10 + makeWavs.channels, 22050 * 100 + 160 + 2);
  EXPECT_EQ(makeWavs.volume.bytes, Real48::FromDouble(1.0).bytes);
}

TEST(Conversion, ByExtension) {
  const std::pair<const char*, std::optional<Conversion>> table[] = {
      {"a.MID", Conversion::MidToWav}, {"b.lst", Conversion::LstToWav},
      {"c.Dft", Conversion::DftToWav}, {"d.wav", Conversion::WavToDft},
      {"e.prg", std::nullopt},         {"mid", std::nullopt},
  };
  for (const auto& [file, conversion] : table) EXPECT_EQ(ConversionForFile(file), conversion) << file;
  EXPECT_STREQ(kConvertExtensionMessage, "The extension must be MID, LST, DFT or WAV!");
}

TEST(Conversion, VolumeShownWithOneDecimalAndStepped) {
  const std::pair<double, const char*> shown[] = {{2, "2.0"}, {99, "99.0"}, {1.25, "1.3"}, {0, "0.0"}};
  for (const auto& [value, text] : shown) EXPECT_EQ(VolumeText(value), text) << value;
  // The arrows step by 0.1 from the value shown, within 0 and 9.99; nothing when the field holds
  // no legal volume.
  const struct {
    const char* from;
    bool up;
    std::optional<std::string> to;
  } arrows[] = {{"0.0", false, std::nullopt}, {"0.0", true, "0.1"},  {"0.3", false, "0.2"},
                {"9.8", true, "9.9"},         {"9.9", true, std::nullopt}, {"99.0", true, std::nullopt},
                {"99.0", false, "98.9"},      {"abc", true, std::nullopt}, {"100", false, std::nullopt}};
  for (const auto& a : arrows) EXPECT_EQ(SteppedVolume(a.from, a.up), a.to) << a.from << " " << a.up;
}

}  // namespace
}  // namespace tonemill::ops
