// The output writer: what a commit, a failure and a concurrent writer leave behind.
#include "tonemill/files/fileops.h"
#include "tonemill/files/outputfile.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tonemill {
namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteText;

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

size_t EntriesIn(const TempDir& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++n;
  return n;
}

OutputFile Written(const std::string& target, const std::string& text) {
  Problem problem;
  OutputFile out = OutputFile::Open(target, problem);
  EXPECT_TRUE(out.IsOpen()) << problem.Text();
  WriteText(out.Path(), text);
  return out;
}

TEST(OutputFile, CommitDiscardAndRefuse) {
  TempDir dir;
  const std::string song = dir.File("song.wav");
  WriteText(song, "old");
  ::chmod(song.c_str(), 0600);
  Problem problem;
  {
    OutputFile failed = Written(song, "half");  // dropped without a commit: a failure
  }
  EXPECT_EQ(ReadText(song), "old");
  EXPECT_EQ(EntriesIn(dir), 1u);

  OutputFile refused = Written(song, "new");
  EXPECT_FALSE(refused.Commit(Overwrite::Refuse, problem));
  EXPECT_EQ(problem.message, AppearedMeanwhileMessage(song));
  EXPECT_EQ(ReadText(song), "old");

  OutputFile replaced = Written(song, "new");
  ASSERT_TRUE(replaced.Commit(Overwrite::Replace, problem));
  EXPECT_EQ(ReadText(song), "new");
  struct stat st {};
  ::stat(song.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0600u);  // the replaced file's permissions stay
  EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST(OutputFile, SymbolicLinksAreFollowedAndOtherKindsRefused) {
  TempDir dir;
  const std::string real = dir.File("real.lst"), alias = dir.File("alias.lst");
  WriteText(real, "old");
  std::filesystem::create_symlink(real, alias);
  Problem problem;
  OutputFile out = Written(alias, "new");
  ASSERT_TRUE(out.Commit(Overwrite::Replace, problem));
  EXPECT_TRUE(std::filesystem::is_symlink(alias));
  EXPECT_EQ(ReadText(real), "new");
  EXPECT_TRUE(SameFile(alias, real));
  EXPECT_FALSE(SameFile(alias, dir.File("other")));

  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  for (const std::string& target : {dir.File("fifo"), dir.Path().string(), std::string("/dev/null")}) {
    EXPECT_FALSE(OutputFile::Open(target, problem).IsOpen()) << target;
    EXPECT_NE(problem.message.find("not a regular file"), std::string::npos);
  }
}

TEST(OutputFile, TheNextWriteRemovesTheTemporariesOfDeadWritersOnly) {
  TempDir dir;
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  std::string tag(host);
  tag.resize(std::min<size_t>(tag.size(), 32));
  for (char& c : tag)
    if (c == '/' || c == '-') c = '_';
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
  const std::string d = std::to_string(dead), live = std::to_string(getpid());
  const struct {
    std::string name;
    bool stays;
  } cases[] = {
      {".song.wav.tmp-" + d + "@" + tag + "-AbC123", false},   // its writer was killed
      {".song.wav.tmp-" + live + "@" + tag + "-AbC124", true},  // a live writer's
      {".song.wav.tmp-" + d + "@elsewhere-AbC125", true},       // another host's: not judged here
      {".song.wav.tmp-AbC126", true},                            // no process to check
      {".other.wav.tmp-" + d + "@" + tag + "-AbC127", true},    // another target's
      {".song.wav.tmp-" + d + "@" + tag + "-AbC128", true},     // dead, but its lock is held
  };
  for (const auto& c : cases) WriteText(dir.File(c.name), "partial");
  const int held = open(dir.File(cases[5].name).c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  Problem problem;
  OutputFile out = OutputFile::Open(dir.File("song.wav"), problem);
  ASSERT_TRUE(out.IsOpen()) << problem.Text();
  close(held);
  for (const auto& c : cases) EXPECT_EQ(std::filesystem::exists(dir.File(c.name)), c.stays) << c.name;
  // The new temporary carries this process and host, and is no stale one to another writer.
  EXPECT_NE(out.Path().find(".song.wav.tmp-" + live + "@" + tag + "-"), std::string::npos) << out.Path();
  OutputFile second = OutputFile::Open(dir.File("song.wav"), problem);
  EXPECT_TRUE(std::filesystem::exists(out.Path()));
}

TEST(FileOps, CopyAndMoveNeverOverwriteTheSource) {
  TempDir dir;
  const std::string a = dir.File("a.wav"), link = dir.File("link.wav");
  WriteText(a, "data");
  std::filesystem::create_symlink(a, link);
  EXPECT_THROW(CopyFileTo(a, link), ESameFile);
  EXPECT_THROW(CopyFileTo(a, dir.Dir()), ESameFile);
  EXPECT_THROW(MoveFileTo(a, link), ESameFile);
  EXPECT_EQ(ReadText(a), "data");
  EXPECT_THROW(MoveFileTo(a, "/dev/null"), EFCantMove);
  EXPECT_EQ(ReadText(a), "data");
  CopyFileTo(a, dir.File("b.wav"));
  EXPECT_EQ(ReadText(dir.File("b.wav")), "data");
}

}  // namespace
}  // namespace tonemill
