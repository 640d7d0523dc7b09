#include "tonemill/files/settings.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tonemill {
namespace {

SettingsLocation In(const testing_support::TempDir& dir) {
  return {dir.File("TM.INI"), dir.Dir(), dir.Dir()};
}

TEST(Settings, AFreshFileAndItsDirectories) {
  testing_support::TempDir dir;
  Settings s;
  std::string error;
  ASSERT_TRUE(LoadSettings(In(dir), s, error)) << error;
  const std::string d = dir.Dir();
  std::vector<uint8_t> bytes = testing_support::ReadBytes(dir.File("TM.INI"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "[Directories]\r\nMID=" + d + "MID\r\nLST=" + d + "LST\r\nSong=" + d +
                "Song\r\nPRG=" + d + "PRG\r\nTemp=" + d + "Temp\r\nWAV=" + d + "WAV\r\nDFT=" + d +
                "DFT\r\n[External]\r\ntextEditor=NOTEPAD.EXE\r\nVespera=" + d +
                "VS.EXE\r\nLyrovox=" + d + "LX.EXE\r\n");
  for (const char* sub : {"MID", "LST", "Song", "PRG", "WAV", "Temp", "DFT"})
    EXPECT_TRUE(std::filesystem::is_directory(d + sub)) << sub;
  EXPECT_EQ(s.Temp, d + "Temp");
}

TEST(Settings, MissingKeysAndWritingBack) {
  testing_support::TempDir dir;
  testing_support::WriteText(dir.File("TM.INI"),
                             "; mine\r\n[directories]\r\n  wav = /samples  \r\nMID=/songs\r\n");
  Settings s;
  std::string error;
  ASSERT_TRUE(LoadSettings(In(dir), s, error));
  EXPECT_EQ(s.WAV, "/samples");
  EXPECT_EQ(s.MID, "/songs");
  EXPECT_EQ(s.LST, "LST");  // the bare key name
  EXPECT_EQ(s.Lyrovox, dir.Dir() + "LX.EXE");
  EXPECT_FALSE(std::filesystem::exists(dir.File("LST")));  // only a fresh file makes them
  s.PRG = "/instruments";
  ASSERT_TRUE(SaveSettings(In(dir), s));
  Settings again;
  ASSERT_TRUE(LoadSettings(In(dir), again, error));
  EXPECT_EQ(again.PRG, "/instruments");
  std::vector<uint8_t> bytes = testing_support::ReadBytes(dir.File("TM.INI"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()).rfind("; mine\r\n[directories]\r\nWAV=/samples\r\n", 0), 0u);
}

TEST(Settings, ProcessesStartingTogetherAgree) {
  testing_support::TempDir dir;
  std::vector<pid_t> children;
  for (int i = 0; i < 6; ++i) {
    pid_t pid = fork();
    if (pid == 0) {
      Settings s;
      std::string error;
      _exit(LoadSettings(In(dir), s, error) && s.DFT == dir.Dir() + "DFT" ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);  // no temporary left behind
}

TEST(Settings, WritersTogetherKeepEachOthersChanges) {
  testing_support::TempDir dir;
  Settings fresh;
  std::string error;
  ASSERT_TRUE(LoadSettings(In(dir), fresh, error));
  std::string Settings::*const keys[] = {&Settings::MID, &Settings::LST, &Settings::Song,
                                         &Settings::PRG, &Settings::Temp, &Settings::WAV};
  // Every writer reads the file before any of them writes: they start when the pipe closes.
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  std::vector<pid_t> children;
  for (size_t i = 0; i < std::size(keys); ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      char c;
      (void)!read(gate[0], &c, 1);
      Settings loaded;
      std::string e;
      if (!LoadSettings(In(dir), loaded, e)) _exit(1);
      Settings mine = loaded;
      mine.*keys[i] = "/changed/" + std::to_string(i);
      _exit(SaveSettings(In(dir), loaded, mine) ? 0 : 1);
    }
    children.push_back(pid);
  }
  close(gate[0]);
  close(gate[1]);
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Settings after;
  ASSERT_TRUE(LoadSettings(In(dir), after, error));
  for (size_t i = 0; i < std::size(keys); ++i) EXPECT_EQ(after.*keys[i], "/changed/" + std::to_string(i));
  EXPECT_EQ(after.DFT, fresh.DFT);
}

TEST(Settings, ACopiedFolderStillNamingTheOriginalsDirectories) {
  testing_support::TempDir dir;
  const std::string d = dir.Dir(), old = "/elsewhere/tm/";
  const SettingsLocation here = In(dir);
  const Settings local = DefaultSettings(here);
  Settings copied = local;
  for (std::string Settings::*f : {&Settings::MID, &Settings::LST, &Settings::Song, &Settings::PRG,
                                   &Settings::Temp, &Settings::WAV, &Settings::DFT})
    copied.*f = old + (local.*f).substr(d.size());
  Settings oneOwn = copied, oneElsewhere = copied, renamed = copied, relative = copied;
  oneOwn.WAV = local.WAV;
  oneElsewhere.WAV = "/other/WAV";
  renamed.WAV = old + "Samples";
  relative.WAV = "WAV";
  const struct {
    const char* what;
    SettingsLocation location;
    Settings settings;
    bool moved;
  } cases[] = {
      {"copied", here, copied, true},
      {"its own", here, local, false},
      {"one of its own", here, oneOwn, false},
      {"two folders", here, oneElsewhere, false},
      {"a directory renamed", here, renamed, false},
      {"a relative directory", here, relative, false},
      {"settings apart from the directories", {d + "config/TM.INI", d, d}, copied, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MovedFolderOf(c.location, c.settings), c.moved ? std::optional(old) : std::nullopt);
  }
  UseLocalDirectories(here, copied);
  EXPECT_EQ(copied.WAV, local.WAV);
  EXPECT_FALSE(MovedFolderOf(here, copied));
  EXPECT_TRUE(std::filesystem::is_directory(local.DFT));
}

}  // namespace
}  // namespace tonemill
