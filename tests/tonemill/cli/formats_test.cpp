// The program's outputs beyond its own WAV files: other containers, standard output, and what
// `tonemill --version` says.
#include "songhome.h"

namespace {

using Formats = testing_support::SongHome;

TEST_F(Formats, VersionGoesToStandardOutput) {
  ASSERT_EQ(Run("--version"), 0) << err;
  EXPECT_EQ(Text("out.txt"), std::string("tonemill ") + TONEMILL_VERSION + "\n");
  EXPECT_EQ(err, "");
}

}  // namespace
