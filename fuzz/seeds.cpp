// Writes the seed corpora: small valid inputs of each kind, one folder per harness.
//   fuzz_seeds DIR
#include "dft/convert.h"
#include "tests/soundfont/sf2builder.h"
#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"
#include "tonemill/files/wavwriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void PutText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

void SetLe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A 22050 Hz file from the program's writer, with a longer format chunk and an extra chunk
// before the data spliced in for the layouts that readers must take as well.
Bytes Wav(int bits, int channels, int frames, uint32_t fmtSize, const Bytes& extraChunk) {
  Bytes data(size_t(frames * channels * bits / 8));
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 37);
  Bytes b = tonemill::CanonicalWavFile({22050, bits, channels}, data);
  const size_t formatEnd = 20 + fmtSize;
  b.insert(b.begin() + 36, fmtSize - 16, 0);
  b.insert(b.begin() + std::ptrdiff_t(formatEnd), extraChunk.begin(), extraChunk.end());
  SetLe32(b, 4, uint32_t(b.size() - 8));
  SetLe32(b, 16, fmtSize);
  return b;
}

// Throws when the seed cannot be written: a missing seed must fail the run, not leave the
// replays with less to read.
void Write(const std::filesystem::path& dir, const std::string& name, const Bytes& b) {
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  out.close();
  if (!out) throw std::runtime_error("can't write " + (dir / name).string());
}

Bytes Song(uint8_t format, const std::string& text) {
  Bytes b{format};
  PutText(b, text);
  return b;
}

void WriteSeeds(const std::filesystem::path& root) {
  int n = 0;
  const std::filesystem::path wave = root / "wave_info";
  Bytes list;
  PutText(list, "LIST");
  testing_support::PutLe32(list, 3);
  PutText(list, "abc");
  list.push_back(0);
  Write(wave, "mono16.wav", Wav(16, 1, 20, 16, {}));
  Write(wave, "stereo8.wav", Wav(8, 2, 15, 16, {}));
  Write(wave, "list-chunk.wav", Wav(16, 2, 9, 16, list));
  Write(wave, "fmt18.wav", Wav(8, 1, 7, 18, {}));

  const std::filesystem::path lst = root / "lst_render";
  const std::string a = "A 60 64 64 64 10 20 30 2 50 6 1.00 0.60 -0.50 -4.00 3 5 0 399 100 299 ";
  const std::string b = "B 57 40 20 -30 0 0 0 12 0 0 0.80 0.80 0.00 -1.00 0 0 10 250 -1 -1 ";
  const std::string c = "C 72 64 100 64 0 0 -20 2 100 100 2.00 0.50 1.00 0.50 0 2 0 199 -1 -1 ";
  Write(lst, "one-note.txt", Song(0, "50\r\n{\r\n" + a + "\r\n[\r\n60\r\n0 ON 100\r\n20 OFF 64\r\n]\r\n}\r\n"));
  Write(lst, "controllers.txt",
        Song(5, "80\r\n{\r\n" + a + "\r\n[\r\n64\r\n0 ON 90\r\n5 PRS 80\r\n10 VOL 100\r\n12 PAN 10\r\n"
                "15 EXP 60\r\n20 BND 4000\r\n25 MOD 64\r\n60 OFF 30\r\n70 ON 40\r\n75 OFF 64\r\n]\r\n}\r\n"));
  Write(lst, "three-instruments.txt",
        Song(10, "40\r\n{\r\n" + a + "\r\n[\r\n48\r\n0 ON 127\r\n30 OFF 64\r\n]\r\n[\r\n72\r\n5 ON 60\r\n"
                 "6 OFF 64\r\n]\r\n}\r\n{\r\n" + b + "\r\n[\r\n57\r\n0 ON 100\r\n10 BND -8192\r\n35 OFF 0\r\n]\r\n}\r\n"
                 "{\r\n" + c + "\r\n[\r\n90\r\n1 ON 100\r\n2 MOD 127\r\n39 OFF 127\r\n]\r\n}\r\n"));
  Write(lst, "silence.txt", Song(7, "25\r\n"));
  Write(lst, "errors.txt", Song(3, "30\r\n{\r\n" + b + "\r\n[\r\n300\r\n]\r\n}\r\n"));

  std::filesystem::create_directories(root / "wav_header");
  for (const auto& e : std::filesystem::directory_iterator(wave))
    std::filesystem::copy_file(e.path(), root / "wav_header" / e.path().filename(),
                               std::filesystem::copy_options::overwrite_existing);

  // The WAV engines read the same files, and one whose data ends early.
  std::filesystem::create_directories(root / "wav_engines");
  for (const auto& e : std::filesystem::directory_iterator(wave))
    std::filesystem::copy_file(e.path(), root / "wav_engines" / e.path().filename(),
                               std::filesystem::copy_options::overwrite_existing);
  Bytes cut = Wav(16, 2, 40, 16, {});
  cut.resize(cut.size() - 37);
  Write(root / "wav_engines", "cut-short.wav", cut);

  using testing_support::MidiTrack;
  MidiTrack solo;
  solo.Tempo(0, 500000).Program(0, 1, 5).NoteOn(0, 1, 60, 100).Controller(10, 1, 7, 90)
      .Bend(20, 1, 2000).NoteOff(100, 1, 60).EndOfTrack();
  MidiTrack conductor;
  conductor.Tempo(0, 600000).Tempo(480, 400000).Raw({0x00, 0xFF, 0x01, 0x03, 'a', 'b', 'c'}).EndOfTrack();
  MidiTrack band;
  band.Program(0, 2, 33).NoteOn(0, 2, 40, 90).NoteOn(0, 10, 36, 120).Raw({0x00, 0xF0, 0x02, 0x01, 0xF7})
      .Controller(5, 2, 64, 127).KeyPressure(5, 2, 40, 50).ChannelPressure(5, 2, 70)
      .NoteOff(200, 2, 40).NoteOff(0, 10, 36).Controller(10, 2, 64, 0).Controller(0, 2, 1, 90)
      .NoteOn(10, 2, 45, 80).Raw({0x10, 47, 60}).NoteOff(300, 2, 45).NoteOff(0, 2, 47).EndOfTrack();
  const std::vector<uint8_t> format0 = testing_support::MidiFile(0, 96, {solo});
  const std::vector<uint8_t> format1 = testing_support::MidiFile(1, 480, {conductor, band});
  const std::vector<uint8_t> smpte = testing_support::MidiFile(1, 0xE728, {conductor, band});
  for (const char* harness : {"midi_reader", "mid2lst", "midi_merge", "midi_listing"}) {
    Write(root / harness, "format0.mid", format0);
    Write(root / harness, "format1.mid", format1);
    Write(root / harness, "smpte.mid", smpte);
  }
  // The track editor's inputs start with two bytes that choose the edit: mute of notes and
  // volume on (ALL, 10); solo of every kind on (2, 1).
  for (const auto& [name, choice] : {std::pair{"mute-all-10", Bytes{0x23, 0x4A}}, {"solo-2-1", Bytes{0xFE, 0x91}}})
    for (const auto& [song, bytes] : {std::pair{"format0", format0}, {"format1", format1}}) {
      Bytes seed = choice;
      seed.insert(seed.end(), bytes.begin(), bytes.end());
      Write(root / "midi_edit", std::string(name) + "-" + song + ".mid", seed);
    }
  // For mid2lst, a PRG text in front of the song: lines at the bounds of their fields, and two
  // lines of one sound on different base keys, which merge with transposition.
  testing_support::PrgFields extreme, lowMerge, highMerge;
  extreme.range = "c0-c4";
  extreme.wav = "ABCDEFGH";
  extreme.base = "g10";
  extreme.volume = "10000000";
  extreme.attack = "1000000";
  extreme.sustain = "-1e6";
  extreme.releaseSlope = "-0.005";
  extreme.attackLength = "1000000000";
  extreme.end = "2147483647";
  extreme.loopStart = "0";
  extreme.loopEnd = "2147483647";
  lowMerge.range = "c#4-b4";
  lowMerge.base = "c0";
  highMerge.range = "c5-g10";
  highMerge.base = "g10";
  const std::string prgText = "# bounds\r\n" + extreme.Line() + "\r\n" + lowMerge.Line() + "\r\n" +
                              highMerge.Line() + "\r\n";
  MidiTrack everyRange;
  everyRange.NoteOn(0, 1, 40, 100).NoteOn(0, 1, 50, 90).Controller(5, 1, 7, 100).NoteOn(0, 1, 70, 80)
      .Bend(5, 1, -3000).NoteOn(0, 10, 36, 110).NoteOff(20, 1, 50).KeyPressure(5, 1, 40, 30)
      .NoteOff(20, 1, 40).NoteOff(0, 1, 70).NoteOff(0, 10, 36).EndOfTrack();
  for (const auto& [name, song] : {std::pair{"prg-format0.mid", testing_support::MidiFile(0, 96, {everyRange})},
                                   {"prg-format1.mid", testing_support::MidiFile(1, 480, {conductor, everyRange})}}) {
    Bytes seed(prgText.begin(), prgText.end());
    seed.insert(seed.end(), song.begin(), song.end());
    Write(root / "mid2lst", name, seed);
  }

  const std::filesystem::path prg = root / "prg";
  testing_support::PrgFields low, high;
  low.range = "c0-b4";
  high.range = "c5-g10";
  high.wav = "STRINGS";
  high.loopStart = "100";
  high.loopEnd = "899";
  high.volume = "$7F";
  high.attack = "1.5E0";
  std::string text = "# a comment\r\n" + low.Line() + "\r\n\r\n" + high.Line() + "\r\n";
  Write(prg, "two-ranges.prg", Bytes(text.begin(), text.end()));

  testing_support::Sf2Builder bank;
  bank.samples = {testing_support::SineSample("Tone", 600, 40, 200, 560),
                  testing_support::SineSample("Hit", 300, 13, 0, 0, 22050)};
  bank.instruments.push_back({"Tone", {{{{43, testing_support::Range(0, 72)}, {54, 1}, {53, 0}}, {}},
                                       {{{43, testing_support::Range(73, 127)}, {51, 2}, {53, 0}}, {}}}});
  bank.instruments.push_back({"Kit", {{{{43, testing_support::Range(35, 40)}, {48, 60}, {53, 1}}, {}}}});
  bank.presets.push_back({"Tone", 0, 0, {{{{41, 0}}, {}}}});
  bank.presets.push_back({"Kit", 0, 128, {{{{41, 1}}, {}}}});
  Write(root / "soundfont", "two-presets.sf2", bank.Build());

  // The DFT library: "\1" + a WAV file to store, "\0" + a DFT file of it to read back.
  const std::filesystem::path dft = root / "dft";
  std::filesystem::create_directories(dft);
  for (const auto& e : std::filesystem::directory_iterator(wave)) {
    const std::string name = e.path().stem().string();
    const std::filesystem::path made = dft / (name + ".made");
    if (dft::WavFileToDft(e.path().c_str(), made.c_str()) != 0)
      throw std::runtime_error("can't make a DFT file of " + e.path().string());
    std::ifstream in(made, std::ios::binary);
    Bytes stored{0};
    stored.insert(stored.end(), std::istreambuf_iterator<char>(in), {});
    in.close();
    std::filesystem::remove(made);
    std::ifstream source(e.path(), std::ios::binary);
    Bytes original{1};
    original.insert(original.end(), std::istreambuf_iterator<char>(source), {});
    Write(dft, name + ".dft", stored);
    Write(dft, name + ".wav", original);
  }

  // The provisioning scan and loadPRG: song lists and a PRG file, as text.
  const std::filesystem::path provisioning = root / "provisioning";
  const std::string block = "[\r\n60\r\n0 ON 100\r\n20 OFF 64\r\n]\r\n";
  for (const auto& [file, content] :
       {std::pair<std::string, std::string>{"song.lst", "50\r\n{\r\n" + a + "\r\n" + block + block +
                                                            "}\r\n{\r\n" + b + "\r\n" + block + "}\r\n"},
        {"cases.lst", "10\r\n{\r\nb 1\r\n" + block + "}\r\n{\r\nB 1\r\n" + block + "}\r\n{\r\nc\r\n" + block +
                          "}\r\n{\r\nMISSING\r\n" + block + "}\r\n"},
        {"cut.lst", "10\r\n{\r\nA\r\n[\r\n60\r\n"},
        {"two-ranges.prg", text}})
    Write(provisioning, file, Bytes(content.begin(), content.end()));

  const std::string ini = "[Directories]\r\nMID=mid\r\nLST=lst\r\nSong=song\r\nPRG=prg\r\nTemp=temp\r\n"
                          "WAV=wav\r\nDFT=dft\r\n[External]\r\ntextEditor=NOTEPAD.EXE\r\nVespera=VS.EXE\r\n"
                          "Lyrovox=LX.EXE\r\n";
  Write(root / "settings", "tm.ini", Bytes(ini.begin(), ini.end()));

  // Effect patch files: the default lines, a vocoder patch with its band lines, and repairs.
  const std::filesystem::path patches = root / "patchfile";
  n = 0;
  std::string vocoder = "Default 1.000 10.00 32\r\n";
  for (int band = 0; band < 32; ++band) vocoder += "780 390 780 390 1.0\r\n";
  for (std::string t : {std::string("Default 100.0 50.0 100.00\r\nSlap_back 50 0 80\r\n"),
                        std::string("Default 1.000 1.000 1.0 0.00 1.00 1.0\r\n"),
                        std::string("Default 250.00 0.00 20 20 46 48 50 52 53 55 46 48 50 52 53 55 1\r\n"),
                        vocoder, std::string("  \r\nOdd   1e300 -0.0004 x\tnan\n_ 99.96\r\n")})
    Write(patches, "patch" + std::to_string(n++), Bytes(t.begin(), t.end()));

  const std::filesystem::path routines = root / "routines";
  n = 0;
  for (std::string t : {"c4-d5", "C#4 - g10", "b10", "/home/user/song.wav", "C:\\wav\\a.b.wav", " 1.5e3",
                        "-0.25", "$1F", "99.999"})
    Write(routines, "text" + std::to_string(n++), Bytes(t.begin(), t.end()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  try {
    WriteSeeds(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}
