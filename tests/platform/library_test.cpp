#include "platform/filesystem.h"
#include "platform/library.h"
#include "resona/resona.h"
#include "tests/support/testfiles.h"
#include "tonemill/render/wavetables.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(BoundLibrary, FindsTheRendererNextToTheExecutableAndLooksUpByOrdinal) {
  BoundLibrary lib = BoundLibrary::Load("RESONA.DLL");
  ASSERT_TRUE(lib.IsLoaded());
  for (int ordinal = 1; ordinal <= 5; ++ordinal) EXPECT_NE(lib.Export(ordinal), nullptr) << ordinal;
  EXPECT_EQ(lib.Export(0), nullptr);  // no such ordinal: a clean failure
  EXPECT_EQ(lib.Export(6), nullptr);
  lib.Free();
  EXPECT_FALSE(lib.IsLoaded());
  EXPECT_EQ(lib.Export(5), nullptr);
}

TEST(BoundLibrary, AFailedLoadGivesTheSystemsMessage) {
  BoundLibrary lib = BoundLibrary::Load("NOSUCH.DLL");
  EXPECT_FALSE(lib.IsLoaded());
  EXPECT_EQ(LoadErrorMessage("RESONA.DLL"), "Can't load library file RESONA.DLL!");
  EXPECT_EQ(SharedObjectName("RESONA.DLL"), "libresona.so");
  EXPECT_EQ(SharedObjectName("DFT.DLL"), "libdft.so");
}

void CountPump(void* context) { ++*static_cast<int*>(context); }

TEST(BoundLibrary, TheRegisteredPumpIsCalledWhileTheRendererRuns) {
  testing_support::TempDir dir;
  testing_support::WriteText(dir.File("a.lst"), "100\r\n");
  const tonemill::WaveTables tables = tonemill::BuildWaveTables();
  int32_t line = 0, lines = 1, base = 0, current = 0;
  char instrument[256];
  auto call = [&](BoundLibrary& lib) {
    auto render = reinterpret_cast<LSTtoWAVProc>(lib.Export(5));
    return render(dir.File("a.lst").c_str(), dir.File("a.wav").c_str(), "", 16, 2, 44100, 256,
                  &line, &lines, &base, &current, instrument, tables.cosine.data(),
                  tables.sine.data());
  };
  int pumps = 0;
  BoundLibrary lib = BoundLibrary::Load("RESONA.DLL", CountPump, &pumps);
  ASSERT_TRUE(lib.IsLoaded());
  EXPECT_EQ(call(lib), 0);
  EXPECT_EQ(pumps, 3);  // start, after the duration, one silence block
  lib.Free();
  // A new binding without a pump: nothing is called any more.
  BoundLibrary again = BoundLibrary::Load("RESONA.DLL");
  EXPECT_EQ(call(again), 0);
  EXPECT_EQ(pumps, 3);
}

TEST(FindFileIgnoringCase, PrefersTheExactNameThenTheFirstInByteOrder) {
  testing_support::TempDir dir;
  testing_support::WriteText(dir.File("Piano.wav"), "");
  testing_support::WriteText(dir.File("piano.WAV"), "");
  EXPECT_EQ(FindFileIgnoringCase(dir.File("PIANO.WAV")), dir.File("Piano.wav"));
  EXPECT_EQ(FindFileIgnoringCase(dir.File("piano.WAV")), dir.File("piano.WAV"));
  EXPECT_EQ(FindFileIgnoringCase(dir.File("organ.wav")), dir.File("organ.wav"));
  EXPECT_EQ(NativePath("a\\b/c"), "a/b/c");
}

}  // namespace
