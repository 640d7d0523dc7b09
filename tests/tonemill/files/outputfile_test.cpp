// The output writer: what a commit, a failure and a concurrent writer leave behind.
#include "tonemill/files/fileops.h"
#include "tonemill/files/outputfile.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
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
