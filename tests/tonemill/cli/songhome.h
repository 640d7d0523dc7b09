// A settings directory with instruments and samples, and the program run in it as a user runs
// it: what the command-line tests of the song commands share.
#pragma once

#include "tests/support/midifiles.h"
#include "tests/support/testfiles.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace testing_support {

class SongHome : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = dir_.Dir();
    // The first run makes TM.INI and the working directories.
    ASSERT_EQ(Run("mid2lst none.mid"), 1);
    ASSERT_TRUE(std::filesystem::is_directory(home_ + "PRG")) << err;
    std::vector<int32_t> tone;
    for (int i = 0; i < 4410; ++i) tone.push_back((i % 100 - 50) * 300);
    WriteWav(home_ + "WAV/TONE.WAV", {22050, 16, 1}, tone);
    WriteWav(home_ + "WAV/DRUM.WAV", {11025, 8, 1}, std::vector<int32_t>(2000, 200));
    PrgFields melodic, drum;
    melodic.wav = "TONE";
    melodic.end = "4409";
    drum.wav = "DRUM";
    drum.end = "1999";
    WriteText(home_ + "PRG/0.PRG", melodic.Line() + "\r\n");
    WriteText(home_ + "PRG/24.PRG", melodic.Line() + "\r\n");
    WriteText(home_ + "PRG/D0.PRG", drum.Line() + "\r\n");
  }

  // A song of three tracks: tempo, a melody with a program change and controllers, drums.
  std::vector<uint8_t> Song(int notes = 4) {
    MidiTrack tempo, melody, drums;
    tempo.Tempo(0, 400000).Tempo(960, 600000).EndOfTrack();
    melody.Program(0, 1, 24).Controller(0, 1, 7, 100).Bend(0, 1, 1000);
    for (int i = 0; i < notes; ++i)
      melody.NoteOn(i == 0 ? 0 : 10, 1, 60 + 2 * i, 100).Controller(100, 1, 11, 90).NoteOff(120, 1, 60 + 2 * i);
    melody.EndOfTrack();
    drums.NoteOn(0, 10, 36, 120).NoteOff(240, 10, 36).NoteOn(0, 10, 38, 90).NoteOff(240, 10, 38).EndOfTrack();
    return MidiFile(1, 480, {tempo, melody, drums});
  }

  int Run(const std::string& arguments) {
    const std::string command = "cd '" + home_ + "' && TONEMILL_HOME='" + home_ + "' '" +
                                TONEMILL_EXECUTABLE + "' " + arguments + " > out.txt 2> err.txt";
    const int status = std::system(command.c_str());
    std::ifstream in(home_ + "err.txt");
    std::stringstream s;
    s << in.rdbuf();
    err = s.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Text(const std::string& name) {
    auto b = ReadBytes(home_ + name);
    return std::string(b.begin(), b.end());
  }

  TempDir dir_;
  std::string home_;
  std::string err;
};

}  // namespace testing_support
