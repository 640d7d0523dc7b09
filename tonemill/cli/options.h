// GNU-style option parsing for the subcommands: "--name value", "--name=value", "-x value",
// "-xvalue", combined short options ("-qj2"), flags, "--" to end the options, "--help"
// everywhere.
#pragma once

#include "tonemill/files/audioformat.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/files/problem.h"
#include "tonemill/files/soundfile.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tonemill::cli {

class OptionParser {
 public:
  OptionParser(std::string command, std::string usage, std::string summary);

  void Flag(const std::string& name, char shortName, bool* target, const std::string& help);
  void Value(const std::string& name, char shortName, std::string* target,
             const std::string& metavar, const std::string& help);
  // An option that may be given several times; each value is appended.
  void Values(const std::string& name, char shortName, std::vector<std::string>* target,
              const std::string& metavar, const std::string& help);
  // The output option that takes "-" for standard output. Elsewhere "-" as the value of an
  // output option (--output, --lst) is refused, so that no file named "-" is ever written.
  void StandardOutput(const std::string& name);

  // Parses argv[first..]; positional arguments go to `positional`. Returns false with `error`
  // set on a usage error, and false with `helpShown` set after printing the help.
  bool Parse(int argc, char** argv, int first, std::vector<std::string>& positional,
             std::string& error, bool& helpShown) const;
  std::string Help() const;
  // Parse for a subcommand: returns the exit code when the command ends here, after --help or
  // after a usage error, which it prints.
  std::optional<int> ParseOrExit(int argc, char** argv, std::vector<std::string>& positional) const;

 private:
  struct Option {
    std::string name;
    char shortName;
    bool* flag;
    std::string* value;
    std::vector<std::string>* values;
    std::string metavar;
    std::string help;
    bool standardOutput = false;
    bool ignored = false;  // a flag taken and left without effect
    bool IsFlag() const { return flag || ignored; }
  };
  // Finds a registered option; --quiet (-q) is taken by every command, as a no-op where the
  // command did not register it (it shows no progress then).
  const Option* Find(const std::string& name) const;
  const Option* FindShort(char c) const;
  // Stores the value; false with `error` set when the value is refused.
  bool Take(const Option& o, std::string value, std::string& error) const;
  std::string command_, usage_, summary_;
  std::vector<Option> options_;
  static const Option kQuiet;
};

// Parses a subcommand's arguments that name exactly one file (`what` says what it is, for the
// usage error). Returns false with `exitCode` set after help or a usage error.
bool ParseOneFile(const OptionParser& parser, int argc, char** argv, const std::string& command,
                  const std::string& what, std::string& file, int& exitCode);

// "-" as an input file: standard input, copied into a temporary file first (the operations read
// their input more than once), which is removed when the program ends. `path` then names that
// file; any other path stays as it is. False with `error` set when standard input is a terminal
// or cannot be read.
// --quality's value, 0 to 10; an empty text is none (the encoder's default). False with
// `error` set otherwise; whether the container takes it is the output job's check.
bool ParseQuality(const std::string& text, std::optional<double>& quality, std::string& error);

bool SpoolStandardInput(std::string& path, std::string& error, const std::string& suffix = ".wav");

// The same for a MIDI file: a command that names its output after its input needs -o then
// (a usage error otherwise). False with `exitCode` set when the command ends here.
bool SpoolMidiInput(const std::string& command, std::string& path, bool outputNamed, int& exitCode);

// An input of the WAV operations and effects: standard input spooled as above, then any file
// the engines do not read as it is (another container, width or rate) decoded into a temporary
// WAV file of its own width, removed when the program ends; messages name the file the user
// gave. False with `error` set when it cannot be read ("FILE: unsupported encoding (...)").
// With `fold`, a file of more than two channels is folded into stereo instead of refused.
bool PrepareAudioInput(std::string& path, std::string& error, bool fold = false);
// The name the user gave for a prepared input.
std::string ShownInputName(const std::string& path);

// --rate, --bits and --channels: the output format of a song or a mix.
struct AudioFormatOptions {
  std::string rate = "44100", bits = "16", channels = "2";

  void Register(OptionParser& parser);
  // Fills the format; false with `error` set on a bad value.
  bool Apply(AudioFormat& format, std::string& error) const;
  // The same for any rate from 8000 to 192000 Hz and 8, 16, 24, 32 bits or float.
  bool Apply(WaveEncoding& encoding, std::string& error) const;
};

// Exit codes of the command line.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 130;  // 128 + SIGINT; other signals give 128 + their number

// Prints "tonemill: message" on stderr.
void PrintError(const std::string& message);
// With --resample, when `container` refuses `rate`: says on stderr that `target` is converted
// to the nearest rate it takes ("tonemill: s.opus: Opus takes ...: converted from 44100 Hz to
// 48000 Hz").
void SayResampling(bool resample, Container container, int32_t rate, const std::string& target);
// Prints "tonemill: FILE:LINE: message" on stderr.
void PrintProblem(const Problem& problem);

}  // namespace tonemill::cli
