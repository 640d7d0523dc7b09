#include "tests/support/testfiles.h"
#include "tonemill/render/lstlines.h"

#include <gtest/gtest.h>

namespace {

TEST(FileLineOfCount, SkipsBlankLinesAndCountsPiecesOfLongLines) {
  testing_support::TempDir dir;
  std::string path = dir.File("a.lst");
  testing_support::WriteText(path, "\r\n100\r\n\r\n{\r\n" + std::string(300, 'x') + "\r\n[\r\n");
  EXPECT_EQ(tonemill::FileLineOfCount(path, 1), 2);
  EXPECT_EQ(tonemill::FileLineOfCount(path, 2), 4);
  EXPECT_EQ(tonemill::FileLineOfCount(path, 3), 5);
  EXPECT_EQ(tonemill::FileLineOfCount(path, 4), 5);  // the rest of the long line
  EXPECT_EQ(tonemill::FileLineOfCount(path, 5), 6);
  EXPECT_EQ(tonemill::FileLineOfCount(path, 6), 0);
}

}  // namespace
