#include "options.h"

#include <cstdio>

namespace tonemill::cli {

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

const OptionParser::Option* OptionParser::Find(const std::string& name) const {
  for (const auto& o : options_)
    if (o.name == name) return &o;
  return nullptr;
}

const OptionParser::Option* OptionParser::FindShort(char c) const {
  for (const auto& o : options_)
    if (c != 0 && o.shortName == c) return &o;
  return nullptr;
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
    const Option* o = nullptr;
    std::string value;
    bool hasValue = false;
    if (arg.rfind("--", 0) == 0) {
      std::string name = arg.substr(2);
      size_t eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
        hasValue = true;
      }
      o = Find(name);
      if (!o) {
        error = "unknown option --" + name;
        return false;
      }
    } else {
      o = FindShort(arg[1]);
      if (!o) {
        error = std::string("unknown option -") + arg[1];
        return false;
      }
      if (arg.size() > 2) {
        if (o->flag) {
          error = std::string("option -") + arg[1] + " takes no value";
          return false;
        }
        value = arg.substr(2);
        hasValue = true;
      }
    }
    if (o->flag) {
      if (hasValue) {
        error = "option --" + o->name + " takes no value";
        return false;
      }
      *o->flag = true;
      continue;
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        error = "option --" + o->name + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (o->values)
      o->values->push_back(value);
    else
      *o->value = value;
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
  std::string text = "Usage: tonemill " + command_ + " " + usage_ + "\n" + summary_ + "\n\nOptions:\n";
  for (const auto& o : options_) {
    std::string left = "  ";
    left += o.shortName ? std::string("-") + o.shortName + ", " : "    ";
    left += "--" + o.name;
    if (o.value) left += " " + o.metavar;
    if (left.size() < 28) left.resize(28, ' ');
    text += left + " " + o.help + "\n";
  }
  text += "  -h, --help                   show this help\n";
  return text;
}

void PrintError(const std::string& message) {
  std::fprintf(stderr, "tonemill: %s\n", message.c_str());
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
