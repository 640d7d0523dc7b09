// What the effect command tests share: the built program run in a home of its own (its patch
// files go there), and files named in that home.
#pragma once

#include "tests/support/process.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace testing_support {

class CommandHome : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = dir_.Dir();
    ::setenv("TONEMILL_HOME", home_.c_str(), 1);
  }
  void TearDown() override { ::unsetenv("TONEMILL_HOME"); }

  ProcessResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), TONEMILL_EXECUTABLE);
    return RunProcess(args);
  }
  std::string File(const std::string& name) const { return home_ + name; }

  TempDir dir_;
  std::string home_;
};

}  // namespace testing_support
