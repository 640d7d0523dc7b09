#include "options.h"

#include "tonemill/files/audioinput.h"
#include "tonemill/files/numbers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tonemill::cli {

const OptionParser::Option OptionParser::kQuiet{
    "quiet", 'q', nullptr, nullptr, nullptr, "", "no progress output (this command shows none)", false, true};

OptionParser::OptionParser(std::string command, std::string usage, std::string summary)
    : command_(std::move(command)), usage_(std::move(usage)), summary_(std::move(summary)) {}

void OptionParser::Flag(const std::string& name, char shortName, bool* target,
                        const std::string& help) {
  options_.push_back({name, shortName, target, nullptr, nullptr, "", help});
}

void OptionParser::Value(const std::string& name, char shortName, std::string* target,
                         const std::string& metavar, const std::string& help) {
  options_.push_back({name, shortName, nullptr, target, nullptr, metavar, help});
}

void OptionParser::Values(const std::string& name, char shortName,
                          std::vector<std::string>* target, const std::string& metavar,
                          const std::string& help) {
  options_.push_back({name, shortName, nullptr, nullptr, target, metavar, help});
}

void OptionParser::StandardOutput(const std::string& name) {
  for (auto& o : options_)
    if (o.name == name) o.standardOutput = true;
}

const OptionParser::Option* OptionParser::Find(const std::string& name) const {
  for (const auto& o : options_)
    if (o.name == name) return &o;
  return name == kQuiet.name ? &kQuiet : nullptr;
}

const OptionParser::Option* OptionParser::FindShort(char c) const {
  for (const auto& o : options_)
    if (c != 0 && o.shortName == c) return &o;
  // -q is --quiet unless the command gave the letter to an option of its own.
  return c == kQuiet.shortName && Find(kQuiet.name) == &kQuiet ? &kQuiet : nullptr;
}

bool OptionParser::Take(const Option& o, std::string value, std::string& error) const {
  // An empty value would silently mean the default.
  if (!o.IsFlag() && value.empty()) {
    error = "option --" + o.name + " needs a value, not an empty one";
    return false;
  }
  if ((o.name == "output" || o.name == "lst") && value == "-" && !o.standardOutput) {
    error = "option --" + o.name + ": writing to standard output is not supported; give a file name";
    return false;
  }
  if (o.ignored)
    return true;
  if (o.flag)
    *o.flag = true;
  else if (o.values)
    o.values->push_back(std::move(value));
  else
    *o.value = std::move(value);
  return true;
}

bool OptionParser::Parse(int argc, char** argv, int first, std::vector<std::string>& positional,
                         std::string& error, bool& helpShown) const {
  helpShown = false;
  bool optionsEnded = false;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      std::fputs(Help().c_str(), stdout);
      helpShown = true;
      return false;
    }
    if (arg.rfind("--", 0) == 0) {
      std::string name = arg.substr(2), value;
      const size_t eq = name.find('=');
      const bool hasValue = eq != std::string::npos;
      if (hasValue) {
        value = name.substr(eq + 1);
        name.resize(eq);
      }
      const Option* o = Find(name);
      if (!o) {
        error = "unknown option --" + name;
        return false;
      }
      if (o->IsFlag() && hasValue) {
        error = "option --" + o->name + " takes no value";
        return false;
      }
      if (!o->IsFlag() && !hasValue) {
        if (i + 1 >= argc) {
          error = "option --" + o->name + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      if (!Take(*o, value, error)) return false;
      continue;
    }
    // Short options combine as getopt reads them: "-qj2" is -q and -j 2, "-j" "2" is -j 2.
    for (size_t k = 1; k < arg.size(); ++k) {
      const Option* o = FindShort(arg[k]);
      if (!o) {
        error = std::string("unknown option -") + arg[k];
        return false;
      }
      if (o->IsFlag()) {
        Take(*o, "", error);
        continue;
      }
      std::string value = arg.substr(k + 1);
      if (value.empty()) {
        if (i + 1 >= argc) {
          error = std::string("option -") + arg[k] + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      if (!Take(*o, value, error)) return false;
      break;
    }
  }
  return true;
}

std::optional<int> OptionParser::ParseOrExit(int argc, char** argv,
                                             std::vector<std::string>& positional) const {
  std::string error;
  bool helpShown = false;
  if (Parse(argc, argv, 1, positional, error, helpShown)) return std::nullopt;
  if (helpShown) return kExitOk;
  PrintError(command_ + ": " + error);
  return kExitUsage;
}

std::string OptionParser::Help() const {
  constexpr size_t kMaxColumn = 30;  // longer option texts put their help on the next line
  std::vector<std::pair<std::string, std::string>> rows;
  std::vector<const Option*> shown;
  for (const auto& o : options_) shown.push_back(&o);
  if (Find(kQuiet.name) == &kQuiet) shown.push_back(&kQuiet);
  for (const Option* option : shown) {
    const Option& o = *option;
    std::string left = o.shortName && (&o != &kQuiet || FindShort(o.shortName) == &o)
                           ? std::string("-") + o.shortName + ", "
                           : "    ";
    left += "--" + o.name;
    if (!o.IsFlag()) left += " " + o.metavar;
    rows.emplace_back(left, o.help);
  }
  rows.emplace_back("-h, --help", "show this help");
  size_t column = 0;
  for (const auto& [left, help] : rows)
    if (left.size() <= kMaxColumn) column = std::max(column, left.size());
  std::string text =
      "Usage: tonemill " + command_ + " " + usage_ + "\n" + summary_ + "\n\nOptions:\n";
  for (const auto& [left, help] : rows) {
    text += "  " + left;
    if (left.size() > column)
      text += "\n  " + std::string(column, ' ');
    else
      text += std::string(column - left.size(), ' ');
    text += "  " + help + "\n";
  }
  return text;
}


namespace {

// The spooled copies of standard input and the decoded inputs, removed at exit, with the name
// the user gave for each.
class Spools {
 public:
  ~Spools() {
    for (const auto& spool : spools_) ::unlink(spool.first.c_str());
  }
  void Add(const std::string& path, const std::string& shown) { spools_.emplace_back(path, shown); }
  const std::vector<std::pair<std::string, std::string>>& All() const { return spools_; }
  std::string ShownName(const std::string& path) const {
    for (const auto& spool : spools_)
      if (spool.first == path) return spool.second;
    return path;
  }

 private:
  std::vector<std::pair<std::string, std::string>> spools_;
};

Spools& SpooledInputs() {
  static Spools spools;
  return spools;
}

// A new empty temporary file with `stem` in its name, removed at exit; messages show `shown`.
bool NewSpool(const std::string& stem, const std::string& shown, std::string& path, int& fd,
              std::string& error, const std::string& suffix = ".wav") {
  const char* directory = std::getenv("TMPDIR");
  std::string pattern = std::string(directory && *directory ? directory : "/tmp") + "/tonemill-" +
                        stem + "-XXXXXX" + suffix;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd = ::mkstemps(name.data(), int(suffix.size()));
  if (fd < 0) {
    error = shown + ": can't make a temporary file: " + std::string(std::strerror(errno));
    return false;
  }
  path = name.data();
  SpooledInputs().Add(path, shown);
  return true;
}

}  // namespace

// Messages name standard input as the user gave it, not its temporary copy.
void SayResampling(bool resample, Container container, int32_t rate, const std::string& target) {
  if (resample && EncodableRate(container, rate) != rate)
    PrintError(target + ": " + ResampleNotice(container, rate));
}

void PrintError(const std::string& message) {
  std::string text = message;
  for (const auto& [spool, shown] : SpooledInputs().All()) {
    std::string named;
    size_t from = 0;
    for (size_t at = text.find(spool); at != std::string::npos; at = text.find(spool, from)) {
      named.append(text, from, at - from).append(shown);
      from = at + spool.size();
    }
    text = named.append(text, from, std::string::npos);
  }
  std::fprintf(stderr, "tonemill: %s\n", text.c_str());
}

namespace {

bool ParseChoice(const std::string& text, std::initializer_list<int> allowed, int32_t& value) {
  const std::optional<int> v = ParseInteger(text);
  if (!v) return false;
  for (int a : allowed)
    if (*v == a) {
      value = a;
      return true;
    }
  return false;
}

}  // namespace

void AudioFormatOptions::Register(OptionParser& parser) {
  parser.Value("rate", 0, &rate, "HZ", "8000 to 192000 (default 44100)");
  parser.Value("bits", 0, &bits, "N", "8, 16, 24, 32 or float bits per sample (default 16)");
  parser.Value("channels", 0, &channels, "N", "1 (mono) or 2 (stereo, default)");
}

bool AudioFormatOptions::Apply(AudioFormat& format, std::string& error) const {
  if (ParseChoice(rate, {11025, 22050, 44100}, format.rate) &&
      ParseChoice(bits, {8, 16}, format.bits) && ParseChoice(channels, {1, 2}, format.channels))
    return true;
  error = "--rate takes 11025, 22050 or 44100, --bits 8 or 16, --channels 1 or 2";
  return false;
}

bool AudioFormatOptions::Apply(WaveEncoding& encoding, std::string& error) const {
  const std::optional<int> r = ParseInteger(rate);
  encoding.isFloat = bits == "float";
  int32_t width = 32;
  if ((encoding.isFloat || ParseChoice(bits, {8, 16, 24, 32}, width)) && r &&
      *r >= kMinEngineRate && *r <= kMaxEngineRate &&
      ParseChoice(channels, {1, 2}, encoding.format.channels)) {
    encoding.format.rate = *r;
    encoding.format.bits = width;
    return true;
  }
  error = "--rate takes 8000 to 192000, --bits 8, 16, 24, 32 or float, --channels 1 or 2";
  return false;
}


bool ParseQuality(const std::string& text, std::optional<double>& quality, std::string& error) {
  if (text.empty()) return true;
  const std::optional<double> value = ParseReal(text);
  if (!value || !(*value >= 0 && *value <= 10)) {
    error = "--quality takes 0 (the smallest file) to 10 (the best sound)";
    return false;
  }
  quality = *value;
  return true;
}

bool SpoolStandardInput(std::string& path, std::string& error, const std::string& suffix) {
  if (path != "-") return true;
  if (::isatty(STDIN_FILENO)) {
    error = "-: standard input is a terminal; pipe or redirect a file into it";
    return false;
  }
  std::string spool;
  int out = -1;
  if (!NewSpool("standard-input", "-", spool, out, error, suffix)) {
    error = "-: can't make a temporary copy of standard input: " + std::string(std::strerror(errno));
    return false;
  }
  char buffer[65536];
  int failure = 0;
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got < 0) failure = errno;
      break;
    }
    for (ssize_t done = 0; done < got && failure == 0;) {
      const ssize_t put = ::write(out, buffer + done, size_t(got - done));
      if (put < 0 && errno != EINTR) failure = errno;
      if (put > 0) done += put;
    }
    if (failure) break;
  }
  if (::close(out) != 0 && failure == 0) failure = errno;
  if (failure) {
    error = "-: can't read standard input: " + std::string(std::strerror(failure));
    return false;
  }
  path = spool;
  return true;
}

bool PrepareAudioInput(std::string& path, std::string& error, bool fold) {
  if (!SpoolStandardInput(path, error)) return false;
  if (EnginesReadAsItIs(path)) return true;
  // A file given twice (the mixer's sources) is decoded once: the engines only read it.
  static std::map<std::pair<std::string, bool>, std::string> decodedBefore;
  const auto before = decodedBefore.find({path, fold});
  if (before != decodedBefore.end()) {
    path = before->second;
    return true;
  }
  const std::string given = path;
  const std::string shown = SpooledInputs().ShownName(path);
  std::string decoded;
  int fd = -1;
  if (!NewSpool("decoded", shown, decoded, fd, error)) return false;
  ::close(fd);
  const std::optional<EngineInput> routed = RouteEngineInput(path, decoded, error, fold);
  if (!routed) return false;
  path = routed->path;
  if (routed->decoded) decodedBefore[{given, fold}] = path;
  return true;
}

std::string ShownInputName(const std::string& path) { return SpooledInputs().ShownName(path); }

void PrintProblem(const Problem& problem) { PrintError(problem.Text()); }

bool SpoolMidiInput(const std::string& command, std::string& path, bool outputNamed, int& exitCode) {
  if (path != "-") return true;
  if (!outputNamed) {
    PrintError(command + ": with - as the MIDI file, name the output with -o");
    exitCode = kExitUsage;
    return false;
  }
  if (std::string error; !SpoolStandardInput(path, error, ".mid")) {
    PrintError(error);
    exitCode = kExitFailure;
    return false;
  }
  return true;
}

bool ParseOneFile(const OptionParser& parser, int argc, char** argv, const std::string& command,
                  const std::string& what, std::string& file, int& exitCode) {
  std::vector<std::string> files;
  if (std::optional<int> exit = parser.ParseOrExit(argc, argv, files)) {
    exitCode = *exit;
    return false;
  }
  if (files.size() != 1) {
    PrintError(command + ": give exactly one " + what + " (see --help)");
    exitCode = kExitUsage;
    return false;
  }
  file = files[0];
  return true;
}

}  // namespace tonemill::cli
