// The command line's option parsing, help and progress line.
#include "tonemill/cli/options.h"
#include "tonemill/cli/terminal.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tonemill::cli {
namespace {

struct Parsed {
  bool quiet = false, force = false;
  std::string jobs, output;
  std::vector<std::string> drums, files;
  std::string error;
};

Parsed Parse(std::vector<std::string> args) {
  Parsed p;
  OptionParser parser("render", "SONG.mid...", "Renders.");
  parser.Flag("quiet", 'q', &p.quiet, "no progress bar");
  parser.Flag("force", 0, &p.force, "overwrite");
  parser.Value("jobs", 'j', &p.jobs, "N", "songs at once");
  parser.Value("output", 'o', &p.output, "OUT.wav", "output");
  parser.Values("drums", 0, &p.drums, "TRACK:CHANNEL", "a drum pair");
  args.insert(args.begin(), "render");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  bool help = false;
  parser.Parse(int(argv.size()), argv.data(), 1, p.files, p.error, help);
  return p;
}

TEST(Options, ShortOptionsCombineAsGetoptReadsThem) {
  const struct {
    std::vector<std::string> args;
    bool quiet;
    std::string jobs, output, error;
  } cases[] = {
      {{"-qj2", "a.mid"}, true, "2", "", ""},
      {{"-qj", "3"}, true, "3", "", ""},
      {{"-j4", "-o", "x.wav"}, false, "4", "x.wav", ""},
      {{"--jobs=5", "--output", "y.wav", "-q"}, true, "5", "y.wav", ""},
      {{"-qx"}, true, "", "", "unknown option -x"},
      {{"-qj"}, true, "", "", "option -j needs a value"},
      {{"--quiet=1"}, false, "", "", "option --quiet takes no value"},
      // An empty value is not the default, and no output is ever a file named "-".
      {{"--jobs="}, false, "", "", "option --jobs needs a value, not an empty one"},
      {{"-j", ""}, false, "", "", "option --jobs needs a value, not an empty one"},
      {{"-o", "-"}, false, "", "", "option --output: writing to standard output is not supported; give a file name"},
      {{"--output=-"}, false, "", "", "option --output: writing to standard output is not supported; give a file name"},
  };
  for (const auto& c : cases) {
    const Parsed p = Parse(c.args);
    EXPECT_EQ(p.quiet, c.quiet) << c.args[0];
    EXPECT_EQ(p.jobs, c.jobs) << c.args[0];
    EXPECT_EQ(p.output, c.output) << c.args[0];
    EXPECT_EQ(p.error, c.error) << c.args[0];
  }
  EXPECT_EQ(Parse({"--drums", "1:10", "--drums=ALL:9", "--", "-a.mid"}).drums,
            (std::vector<std::string>{"1:10", "ALL:9"}));
  EXPECT_EQ(Parse({"--", "-a.mid"}).files, std::vector<std::string>{"-a.mid"});
}

TEST(Options, EveryCommandTakesQuiet) {
  bool force = false;
  OptionParser parser("midscan", "IN.mid", "Lists.");
  parser.Flag("force", 0, &force, "overwrite");
  for (const char* quiet : {"-q", "--quiet"}) {
    std::vector<std::string> args{"midscan", quiet, "a.mid"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::vector<std::string> files;
    std::string error;
    bool help = false;
    EXPECT_TRUE(parser.Parse(int(argv.size()), argv.data(), 1, files, error, help)) << error;
    EXPECT_EQ(files, std::vector<std::string>{"a.mid"});
  }
  EXPECT_NE(parser.Help().find("  -q, --quiet  no progress output (this command shows none)\n"), std::string::npos)
      << parser.Help();
}

TEST(Options, HelpNamesEveryValueInOneColumn) {
  Parsed p;
  OptionParser parser("render", "SONG.mid...", "Renders.");
  parser.Flag("quiet", 'q', &p.quiet, "no progress bar");
  parser.Values("drums", 0, &p.drums, "TRACK:CHANNEL", "a drum pair");
  parser.Value("a-very-long-option-name", 0, &p.output, "SOMETHING", "on its own line");
  std::istringstream help(parser.Help());
  std::vector<std::string> lines;
  for (std::string line; std::getline(help, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[4], "  -q, --quiet                no progress bar");
  EXPECT_EQ(lines[5], "      --drums TRACK:CHANNEL  a drum pair");
  EXPECT_EQ(lines[6], "      --a-very-long-option-name SOMETHING");
  EXPECT_EQ(lines[7], "                             on its own line");
  EXPECT_EQ(lines[8], "  -h, --help                 show this help");
}

TEST(ProgressLine, FitsTheTerminalAndNeverWraps) {
  const std::string text = "12/40 Rendering PIANO c5 über";
  for (int columns : {8, 20, 40, 80, 200}) {
    const std::string line = ProgressLine(0.42, text, columns);
    size_t characters = 0;
    for (unsigned char c : line) characters += (c & 0xC0) != 0x80;
    EXPECT_LT(characters, size_t(columns)) << columns;
    EXPECT_NE(line.find("42%"), std::string::npos) << columns;
  }
  EXPECT_EQ(ProgressLine(0.5, "x", 38), "[#####.....]  50% x");
  EXPECT_EQ(ProgressLine(1.0, "", 8), "100%");
  Progress p(Progress::CancelMark::AtTotal);
  p.total = 10;
  p.done = 7;
  p.Cancel();
  EXPECT_EQ(p.done, 10);
  EXPECT_DOUBLE_EQ(p.Fraction(), 0.7);  // a cancelled run never shows as complete
}

}  // namespace
}  // namespace tonemill::cli
