// The layers hold: Qt stays in the desktop program's tree, and dependencies point down only.
// Every source file of the tree is read and each include checked against the rules below; a
// failure lists every offending line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = TONEMILL_SOURCE_DIR;

struct Include {
  std::string file;  // project-relative, "/" separated
  int line = 0;
  std::string target;  // as written, or resolved to a project path when it names a file here
  bool angled = false;
};

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool InAny(const std::string& path, std::initializer_list<const char*> folders) {
  for (const char* f : folders)
    if (StartsWith(path, f)) return true;
  return false;
}

std::vector<Include> AllIncludes() {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<Include> found;
  for (const char* top :
       {"tonemill", "resona", "dft", "platform", "python", "tests", "fuzz", "bench", "examples"}) {
    for (const auto& entry : fs::recursive_directory_iterator(kRoot / top)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
      const std::string file = fs::relative(entry.path(), kRoot).generic_string();
      std::ifstream in(entry.path());
      std::string text;
      for (int line = 1; std::getline(in, text); ++line) {
        std::smatch m;
        if (!std::regex_search(text, m, kInclude)) continue;
        Include inc{file, line, m[2].str(), m[1].str() == "<"};
        if (!inc.angled) {
          const fs::path beside = entry.path().parent_path() / inc.target;
          if (fs::exists(beside)) inc.target = fs::relative(beside, kRoot).lexically_normal().generic_string();
        }
        found.push_back(inc);
      }
    }
  }
  return found;
}

bool IsQt(const Include& inc) {
  static const std::regex kQtHeader(R"(^(Q[A-Za-z]+|Qt[A-Za-z]+/.*)$)");
  return (inc.angled && std::regex_match(inc.target, kQtHeader)) ||
         StartsWith(fs::path(inc.target).filename().string(), "ui_");
}

std::string Report(const std::vector<Include>& bad) {
  std::string out;
  for (const Include& inc : bad) out += inc.file + ":" + std::to_string(inc.line) + ": " + inc.target + "\n";
  return out;
}

const std::vector<Include>& Includes() {
  static const std::vector<Include> all = AllIncludes();
  return all;
}

TEST(Layering, QtHeadersOnlyInTheDesktopTreeAndItsTests) {
  ASSERT_FALSE(Includes().empty());
  std::vector<Include> bad;
  for (const Include& inc : Includes())
    if (IsQt(inc) && !InAny(inc.file, {"tonemill/gui/", "platform/qt/", "tests/tonemill/gui/",
                                       "tests/platform/platform_qt_test.cpp"}))
      bad.push_back(inc);
  EXPECT_TRUE(bad.empty()) << Report(bad);
}

TEST(Layering, DependenciesPointDownOnly) {
  struct Rule {
    std::initializer_list<const char*> from;
    std::initializer_list<const char*> never;
  };
  const Rule rules[] = {
      // Engines never call up into operations or front ends.
      {{"tonemill/files/", "tonemill/midi/", "tonemill/prg/", "tonemill/soundfont/",
        "tonemill/wave/", "tonemill/effects/", "tonemill/render/"},
       {"tonemill/ops/", "tonemill/gui/", "tonemill/cli/"}},
      // The MIDI converter reads PRG files, never the other way round.
      {{"tonemill/prg/"}, {"tonemill/midi/"}},
      {{"tonemill/ops/"}, {"tonemill/gui/", "tonemill/cli/"}},
      {{"tonemill/cli/"}, {"tonemill/gui/"}},
      // The Python module is built on the engines and the operations, beside the front ends.
      {{"python/"}, {"tonemill/gui/", "tonemill/cli/"}},
      {{"tonemill/gui/"}, {"tonemill/cli/"}},
      // The libraries know nothing of the program.
      {{"resona/", "dft/", "platform/"}, {"tonemill/"}},
  };
  std::vector<Include> bad;
  for (const Include& inc : Includes())
    for (const Rule& rule : rules)
      if (InAny(inc.file, rule.from) && InAny(inc.target, rule.never)) bad.push_back(inc);
  EXPECT_TRUE(bad.empty()) << Report(bad);
}

TEST(Layering, NoHeaderOnlyForwardsToAnother) {
  // A moved file leaves nothing behind at its old place: a header whose whole content is one
  // include of another is a forwarding header.
  std::vector<std::string> bad;
  for (const char* top : {"tonemill", "resona", "dft", "platform"})
    for (const auto& entry : fs::recursive_directory_iterator(kRoot / top)) {
      if (!entry.is_regular_file() || entry.path().extension() != ".h") continue;
      std::ifstream in(entry.path());
      int includes = 0, other = 0;
      for (std::string line; std::getline(in, line);) {
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || StartsWith(line.substr(first), "//") ||
            StartsWith(line.substr(first), "#pragma once"))
          continue;
        (StartsWith(line.substr(first), "#include") ? includes : other) += 1;
      }
      if (includes == 1 && other == 0) bad.push_back(fs::relative(entry.path(), kRoot).string());
    }
  EXPECT_TRUE(bad.empty()) << ::testing::PrintToString(bad);
}

}  // namespace
