// What the song commands leave behind when a render fails, races another, is cancelled by a
// signal, or is pointed at a link, a device or an unusual name.
#include "songhome.h"
#include "tests/support/process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <thread>

namespace testing_support {
namespace {

constexpr const char* kToneLayer = "TONE 60 64 64 64 0 0 0 2 0 0 1 1 0 -1 0 0 0 4409 0 4409 ";

class SafeOutputs : public SongHome {
 protected:
  void SetUp() override {
    SongHome::SetUp();
    ::setenv("TONEMILL_HOME", home_.c_str(), 1);
    PrgFields looped;
    looped.wav = "TONE";
    looped.end = "4409";
    looped.loopStart = "0";
    looped.loopEnd = "4409";
    WriteText(home_ + "PRG/1.PRG", looped.Line() + "\r\n");
  }
  void TearDown() override { ::unsetenv("TONEMILL_HOME"); }

  // Minute-long notes on a looped sample, 40 keys on each of 8 channels, one starting every
  // tenth of a second: seconds of work for a song of a minute and a half.
  static std::vector<uint8_t> LongSong() {
    struct Event {
      uint32_t tick;
      int channel, key;
      bool on;
    };
    std::vector<Event> events;
    for (int i = 0; i < 320; ++i) {
      const int channel = 1 + i % 8, key = 40 + i / 8;
      events.push_back({uint32_t(i) * 96, channel, key, true});
      events.push_back({uint32_t(i) * 96 + 57600, channel, key, false});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    MidiTrack t;
    for (int channel = 1; channel <= 8; ++channel) t.Program(0, channel, 1);
    uint32_t now = 0;
    for (const Event& e : events) {
      if (e.on) t.NoteOn(e.tick - now, e.channel, e.key, 100);
      else t.NoteOff(e.tick - now, e.channel, e.key);
      now = e.tick;
    }
    return MidiFile(0, 480, {t.EndOfTrack()});
  }
  // A list of many minute-long notes, rendered at `rate`.
  void WriteLongList(const std::string& path, int notes) {
    std::string text = "60000\r\n{\r\n" + std::string(kToneLayer) + "\r\n";
    for (int i = 0; i < notes; ++i) text += "[\r\n60\r\n0 ON 100\r\n59000 OFF 64\r\n]\r\n";
    WriteText(path, text + "}\r\n");
  }
  std::vector<std::string> Leftovers(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(home_ + dir))
      if (e.path().filename().string().find(".tmp-") != std::string::npos) names.push_back(e.path());
    return names;
  }
  // Waits until a render into `dir` has written past its header.
  bool WaitForWork(const std::string& dir, size_t renders = 1) {
    for (int i = 0; i < 600; ++i) {
      size_t busy = 0;
      for (const std::string& name : Leftovers(dir)) busy += std::filesystem::file_size(name) > 44;
      if (busy >= renders) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  pid_t StartTonemill(std::vector<std::string> args, const std::string& errName) {
    args.insert(args.begin(), TonemillPath());
    return Start(args, home_ + errName);
  }
};

TEST_F(SafeOutputs, AFailedRenderLeavesWhatWasThere) {
  const std::string good = "100\r\n{\r\n" + std::string(kToneLayer) + "\r\n[\r\n60\r\n0 ON 100\r\n50 OFF 64\r\n]\r\n}\r\n";
  std::string bad = good;
  bad.replace(bad.find("50 OFF"), 6, "5 NOPE");
  WriteText(home_ + "good.lst", good);
  WriteText(home_ + "bad.lst", bad);
  ASSERT_EQ(Run("lst2wav good.lst -o Song/song.wav"), 0) << err;
  const std::vector<uint8_t> before = ReadBytes(home_ + "Song/song.wav");
  EXPECT_EQ(Run("lst2wav bad.lst -o Song/song.wav --force"), 1);
  EXPECT_NE(err.find("bad.lst:7: Illegal event code!"), std::string::npos) << err;
  EXPECT_EQ(ReadBytes(home_ + "Song/song.wav"), before);
  // Without an earlier file a failure leaves none, and the corrected list renders without --force.
  EXPECT_EQ(Run("lst2wav bad.lst -o Song/new.wav"), 1);
  EXPECT_FALSE(std::filesystem::exists(home_ + "Song/new.wav"));
  EXPECT_EQ(Run("lst2wav good.lst -o Song/new.wav"), 0) << err;
  EXPECT_TRUE(Leftovers("Song").empty());
}

TEST_F(SafeOutputs, TwoRendersToOneNameNeverMix) {
  WriteLongList(home_ + "a.lst", 200);
  WriteLongList(home_ + "b.lst", 200);
  const pid_t a = StartTonemill({"lst2wav", home_ + "a.lst", "-o", home_ + "Song/same.wav", "-q"}, "a.txt");
  const pid_t b = StartTonemill({"lst2wav", home_ + "b.lst", "-o", home_ + "Song/same.wav",
                                 "--rate", "22050", "-q"}, "b.txt");
  const int codeA = Wait(a), codeB = Wait(b);
  EXPECT_EQ(std::min(codeA, codeB), 0);
  EXPECT_EQ(std::max(codeA, codeB), 1);
  const std::string loser = Text(codeA == 1 ? "a.txt" : "b.txt");
  EXPECT_TRUE(loser.find("was created by another program") != std::string::npos ||
              loser.find("will be overwritten") != std::string::npos) << loser;
  const WavData w = ReadWav(home_ + "Song/same.wav");
  EXPECT_EQ(w.rate, codeA == 0 ? 44100 : 22050);
  EXPECT_EQ(std::filesystem::file_size(home_ + "Song/same.wav"), 44u + w.dataSize);
  EXPECT_TRUE(Leftovers("Song").empty());
}

TEST_F(SafeOutputs, LinksDevicesAndPermissions) {
  WriteBytes(home_ + "MID/m.mid", Song());
  const std::vector<uint8_t> midi = ReadBytes(home_ + "MID/m.mid");
  std::filesystem::create_symlink(home_ + "MID/m.mid", home_ + "alias.wav");
  EXPECT_EQ(Run("render MID/m.mid -o alias.wav --force"), 1);
  EXPECT_NE(err.find("WAV can't overwrite MID!"), std::string::npos) << err;
  EXPECT_EQ(ReadBytes(home_ + "MID/m.mid"), midi);

  ASSERT_EQ(::mkfifo((home_ + "fifo").c_str(), 0600), 0);
  EXPECT_EQ(Run("mid2lst MID/m.mid -o fifo --force"), 1);
  EXPECT_NE(err.find("is not a regular file"), std::string::npos) << err;
  EXPECT_TRUE(std::filesystem::is_fifo(home_ + "fifo"));

  WriteText(home_ + "real.lst", "mine");
  ::chmod((home_ + "real.lst").c_str(), 0600);
  std::filesystem::create_symlink(home_ + "real.lst", home_ + "link.lst");
  ASSERT_EQ(Run("mid2lst MID/m.mid -o link.lst --force"), 0) << err;
  EXPECT_TRUE(std::filesystem::is_symlink(home_ + "link.lst"));
  EXPECT_EQ(Text("real.lst").substr(0, 5), "758\r\n");
  struct stat st {};
  ::stat((home_ + "real.lst").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(SafeOutputs, SignalsCancelASingleRender) {
  WriteLongList(home_ + "long.lst", 20000);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    std::filesystem::remove(home_ + "Song/long.wav");
    const pid_t pid = StartTonemill({"lst2wav", home_ + "long.lst", "-o", home_ + "Song/long.wav"}, "err.txt");
    ASSERT_TRUE(WaitForWork("Song"));
    ::kill(pid, signal);
    EXPECT_EQ(Wait(pid), 128 + signal);
    EXPECT_NE(Text("err.txt").find("Cancelled at line"), std::string::npos) << Text("err.txt");
    const WavData w = ReadWav(home_ + "Song/long.wav");
    EXPECT_EQ(std::filesystem::file_size(home_ + "Song/long.wav"), 44u + w.dataSize);
    EXPECT_TRUE(Leftovers("Song").empty());
  }
}

TEST_F(SafeOutputs, ABatchPassesSignalsOnAndReportsWorkersThatDie) {
  WriteBytes(home_ + "MID/one.mid", LongSong());
  WriteBytes(home_ + "MID/two.mid", LongSong());
  pid_t pid = StartTonemill({"render", home_ + "MID/one.mid", home_ + "MID/two.mid", "--jobs", "2"}, "err.txt");
  ASSERT_TRUE(WaitForWork("Song", 2));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(Wait(pid), 128 + SIGTERM);
  EXPECT_NE(Text("err.txt").find("2 songs cancelled, 0 not started"), std::string::npos) << Text("err.txt");
  for (const char* song : {"Song/one.wav", "Song/two.wav"})
    EXPECT_EQ(std::filesystem::file_size(home_ + song), 44u + ReadWav(home_ + song).dataSize);
  EXPECT_TRUE(Leftovers("Song").empty());

  // A worker killed outright is named; its song never appears under its name.
  std::filesystem::remove(home_ + "Song/one.wav");
  pid = StartTonemill({"render", home_ + "MID/one.mid", home_ + "MID/s.mid", "--jobs", "2"}, "err.txt");
  WriteBytes(home_ + "MID/s.mid", Song());
  ASSERT_TRUE(WaitForWork("Song"));
  std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
  for (pid_t child; children >> child;) ::kill(child, SIGKILL);
  EXPECT_EQ(Wait(pid), 1);
  EXPECT_NE(Text("err.txt").find(home_ + "MID/one.mid: the render process ended by signal 9"),
            std::string::npos) << Text("err.txt");
  EXPECT_FALSE(std::filesystem::exists(home_ + "Song/one.wav"));
}

TEST_F(SafeOutputs, OrdinaryNamesAndRepeatedRenders) {
  for (const char* name : {"Track 01", "über", "a+b"}) WriteBytes(home_ + "MID/" + name + ".mid", Song(2));
  const std::string tooLong(253, 'y');
  WriteBytes(home_ + "MID/" + tooLong + ".m", Song(2));  // its song's name would pass 255 bytes
  EXPECT_EQ(Run("render 'MID/Track 01.mid' MID/über.mid MID/a+b.mid MID/" + tooLong + ".m -q"), 1);
  EXPECT_NE(err.find("MID/" + tooLong + ".m: "), std::string::npos) << err;
  EXPECT_NE(err.find("1 of 4 songs failed"), std::string::npos) << err;
  for (const char* song : {"Song/track 01.wav", "Song/über.wav", "Song/a+b.wav"})
    EXPECT_TRUE(std::filesystem::exists(home_ + song)) << song << err;

  // The scratch list is no obstacle to doing it again.
  ASSERT_EQ(Run("render MID/a+b.mid -o x.wav -q"), 0) << err;
  std::filesystem::remove(home_ + "x.wav");
  EXPECT_EQ(Run("render MID/a+b.mid -o x.wav -q"), 0) << err;

  // A settings file without a directory keeps the default and says so once.
  std::string ini = Text("TM.INI");
  ini.erase(ini.find("Temp="), ini.find('\n', ini.find("Temp=")) - ini.find("Temp=") + 1);
  WriteText(home_ + "TM.INI", ini);
  Run("mid2lst MID/a+b.mid -o x.lst");
  EXPECT_NE(err.find("TM.INI has no Temp= entry"), std::string::npos) << err;
  EXPECT_EQ(err.find("TM.INI", err.find("TM.INI") + 1), std::string::npos) << err;
}

}  // namespace
}  // namespace testing_support
